-- Korva site controllers in Wireshark and tshark: the console's requests to UDP port 5010 and the
-- device's replies from it, unscrambled, with the field names `korvactl decode` prints.
--
-- Install: copy this file to ~/.local/lib/wireshark/plugins/, or load it for one run with
-- `tshark -X lua_script:korva.lua`. The reading below follows protocol/ line by line, so that a
-- capture reads exactly as the console and korvactl read it; tests/tools/wireshark checks that.

local korva = Proto("korva", "Korva site controller")

local DEVICE_PORT = 5010
-- The console's receive buffer: longer datagrams are dropped unread.
local CONSOLE_DATAGRAM_LIMIT = 8192
local FIRST_OLD_VERSION = 101
local FIRST_NEW_VERSION = 130
local FIRST_LINKS_VERSION = 150

local F = {
    -- requests
    request = ProtoField.string("korva.request", "Request"),
    new_address = ProtoField.string("korva.new_address", "New address"),
    new_mask = ProtoField.string("korva.new_mask", "New mask"),
    new_gateway = ProtoField.string("korva.new_gateway", "New gateway"),
    -- every reply
    form = ProtoField.string("korva.form", "Form"),
    version = ProtoField.int32("korva.version", "Format version"),
    offset = ProtoField.int32("korva.offset", "Header offset"),
    plain = ProtoField.string("korva.plain", "Plain text"),
    keyword = ProtoField.string("korva.keyword", "Keyword"),
    changed_flag = ProtoField.bool("korva.changed_flag", "Changed parameters (field 26)"),
    -- status reply
    status = ProtoField.none("korva.status", "Status"),
    temperature = ProtoField.int32("korva.temperature", "Temperature (degrees Celsius)"),
    humidity = ProtoField.int32("korva.humidity", "Humidity (percent)"),
    battery_tenths = ProtoField.int32("korva.battery_tenths", "Battery (tenths of a volt)"),
    presence = ProtoField.bool("korva.presence", "Presence"),
    reset_state = ProtoField.bool("korva.reset_state", "Reset EC state"),
    link1 = ProtoField.bool("korva.link1", "Link 1"),
    link2 = ProtoField.bool("korva.link2", "Link 2"),
    link3 = ProtoField.bool("korva.link3", "Link 3"),
    -- the status reply's number, echoed back by the reset command
    echo = ProtoField.int32("korva.echo", "Echo number"),
    changed = ProtoField.bool("korva.changed", "Changed parameters"),
    -- parameter reply
    parameters = ProtoField.none("korva.parameters", "Parameters"),
    address = ProtoField.string("korva.address", "Address"),
    mask = ProtoField.string("korva.mask", "Mask"),
    gateway = ProtoField.string("korva.gateway", "Gateway"),
    mac = ProtoField.string("korva.mac", "MAC address"),
    firmware = ProtoField.string("korva.firmware", "Firmware"),
    -- reset reply
    reset_ack = ProtoField.bool("korva.reset_ack", "Reset acknowledged"),
}
korva.fields = F

local E = {
    unknown_request = ProtoExpert.new("korva.unknown_request", "Not a request the console sends",
        expert.group.PROTOCOL, expert.severity.WARN),
    blank = ProtoExpert.new("korva.blank", "Only blanks: the console ignores this datagram",
        expert.group.PROTOCOL, expert.severity.NOTE),
    unknown_keyword = ProtoExpert.new("korva.unknown_keyword", "Unknown keyword: the console ignores the reply",
        expert.group.PROTOCOL, expert.severity.WARN),
    too_few_fields = ProtoExpert.new("korva.too_few_fields", "Too few fields: the missing ones read as empty",
        expert.group.MALFORMED, expert.severity.WARN),
    oversized = ProtoExpert.new("korva.oversized", "Longer than the console reads: it drops this datagram",
        expert.group.PROTOCOL, expert.severity.WARN),
    restart_pending = ProtoExpert.new("korva.restart_pending",
        "Restart pending: the device holds parameters that take effect after its restart",
        expert.group.SEQUENCE, expert.severity.NOTE),
}
korva.experts = { E.unknown_request, E.blank, E.unknown_keyword, E.too_few_fields, E.oversized, E.restart_pending }

---------------------------------------------------------------------------------------------------
-- Text toolkit. Device text is bytes; positions are 1-based as Lua counts them.

local function is_blank(byte)
    return byte <= 32
end

-- Index of the first and last byte above 32; first > last when there is none.
local function trimmed_span(text)
    local first, last = 1, #text
    while first <= last and is_blank(text:byte(first)) do first = first + 1 end
    while last >= first and is_blank(text:byte(last)) do last = last - 1 end
    return first, last
end

local function trim(text)
    local first, last = trimmed_span(text)
    return text:sub(first, last)
end

local function upper_ascii(text)
    return (text:gsub("%l", string.upper))
end

-- Words separated by the delimiter; runs of delimiters make no empty words, so 'A,,B' has word 2 'B'.
-- Each word is { text = ..., at = its 1-based position }.
local function words(text, delimiter)
    local list = {}
    local pattern = "()([^" .. delimiter .. "]+)"
    for at, word in text:gmatch(pattern) do
        list[#list + 1] = { text = word, at = at }
    end
    return list
end

local function word(text, number, delimiter)
    local found = words(text, delimiter)[number]
    return found and found.text or ""
end

local TWO_32 = 4294967296
local TWO_31 = 2147483648

-- 80000000-FFFFFFFF are the two's complement of negative numbers.
local function as_int32(unsigned)
    unsigned = unsigned % TWO_32
    return unsigned >= TWO_31 and unsigned - TWO_32 or unsigned
end

-- One to eight hexadecimal digits and nothing else; nil otherwise.
local function hex_digits(digits)
    if #digits == 0 or #digits > 8 or digits:find("[^%x]") then return nil end
    return tonumber(digits, 16)
end

-- Blanks, an optional sign, then decimal digits or, after "$", "x", "X", "0x" or "0X", hexadecimal
-- ones; nil when any of it is malformed or a decimal number leaves the 32-bit range.
local function parse_integer(text)
    local i = 1
    while text:sub(i, i) == " " do i = i + 1 end
    local negative = false
    local sign = text:sub(i, i)
    if sign == "+" or sign == "-" then
        negative = sign == "-"
        i = i + 1
    end
    local hex = false
    if text:find("^[$xX]", i) then
        hex, i = true, i + 1
    elseif text:find("^0[xX]", i) then
        hex, i = true, i + 2
    end
    local digits = text:sub(i)
    if #digits == 0 then return nil end
    if hex then
        local value = hex_digits(digits)
        if not value then return nil end
        return as_int32(negative and TWO_32 - value or value)
    end
    if digits:find("[^0-9]") then return nil end
    local limit = negative and TWO_31 or TWO_31 - 1
    local value = 0
    for d in digits:gmatch("%d") do
        value = value * 10 + tonumber(d)
        if value > limit then return nil end
    end
    -- 0 - value, not -value: Lua would print a negative zero as "-0"
    return negative and 0 - value or value
end

local function to_integer(text)
    return parse_integer(text) or 0
end

-- Hexadecimal: "$" is implied unless the text has one somewhere, and then it is read as written.
local function hex_value(text)
    if text:find("$", 1, true) then return to_integer(text) end
    local value = hex_digits(text)
    return value and as_int32(value) or 0
end

local function left_pad_and_cut(text, width, fill)
    if #text < width then text = fill:rep(width - #text) .. text end
    return text:sub(1, width)
end

-- Upper-case hexadecimal with at least the given digits; negatives as their 32-bit two's complement.
local function hex_text(value, digits)
    local text = string.format("%X", value % TWO_32)
    return left_pad_and_cut(text, math.max(#text, digits), "0")
end

-- 'C0.A8.00.FA' -> '192.168.0.250'. A missing dot reads as an empty (0) octet and consumes nothing.
local function dotted_quad_from_hex_octets(text)
    local decimal = ""
    for _ = 1, 3 do
        local dot = text:find(".", 1, true)
        decimal = decimal .. tostring(hex_value(dot and text:sub(1, dot - 1) or "")) .. "."
        if dot then text = text:sub(dot + 1) end
    end
    return decimal .. tostring(hex_value(text))
end

-- Six groups with "-" at fixed places, even when an octet took more than two characters.
local function dashed_mac(joined)
    for _, position in ipairs({ 10, 8, 6, 4, 2 }) do
        position = math.min(position, #joined)
        joined = joined:sub(1, position) .. "-" .. joined:sub(position + 1)
    end
    return joined
end

local function mac_from_decimal_octets(text)
    local joined = ""
    for k = 1, 6 do joined = joined .. hex_text(to_integer(word(text, k, ":")), 2) end
    return dashed_mac(joined)
end

local function mac_from_hex_octets(text)
    local joined = ""
    for k = 1, 6 do joined = joined .. left_pad_and_cut(word(text, k, ":"), 2, "0") end
    return dashed_mac(joined)
end

---------------------------------------------------------------------------------------------------
-- Unscrambling: the three forms in which devices send a reply line.
--   plain  "0100,KEYWORD,..."             as is
--   old    "VERSION,KEYWORD,..."          byte at 0-based position p sent as plain + p + 35
--   new    "VERSION,KEY,N,KEYWORD,..."    plain + (p mod 20) + 35 before N, plain + (p mod 20) + KEY mod 60 from N

local function shifted(text, shift_at)
    local bytes = {}
    for i = 1, #text do
        bytes[i] = string.char((text:byte(i) - shift_at(i - 1)) % 256)
    end
    return table.concat(bytes)
end

local function old_shift(p)
    return p + 35
end

-- Returns the plain text (trimmed, and with bytes above 95 folded into 0-95 as the console does),
-- the header offset, the format version, the form's name and how many bytes the second trim removed
-- from the front (so that plain positions map back onto the received bytes).
local function unscramble(text)
    local version, offset, form = 0, 0, "plain"
    if text:sub(1, 4) ~= "0100" then
        local header = shifted(text:sub(1, 20), old_shift)
        local fields = words(header, ",")
        local function header_field(k) return fields[k] and fields[k].text or "" end
        version = to_integer(header_field(1))
        if version >= FIRST_NEW_VERSION then
            form, offset = "new", 2
            local key = math.fmod(hex_value(header_field(2)), 60) -- keeps the key's sign
            local n = hex_value(header_field(3))
            text = shifted(text, function(p) return p % 20 + (p < n and 35 or key) end)
        elseif version >= FIRST_OLD_VERSION then
            -- the old form shifts by the whole position, not modulo 20
            form = "old"
            text = shifted(text, old_shift)
        else
            form = "unknown" -- read as received
        end
    end
    local first, last = trimmed_span(text)
    local folded = text:sub(first, last):gsub("[\96-\255]", function(c)
        return string.char(bit32.band(c:byte(), 0x5F))
    end)
    return folded, offset, version, form, first - 1
end

---------------------------------------------------------------------------------------------------
-- Tree items

-- Wireshark's strings end at a NUL byte; an unscrambled reply may hold one, and the plain text never
-- holds anything above byte 95, so U+2400 (the symbol for NUL) stands for it without ambiguity.
local function shown(text)
    return (text:gsub("%z", "\226\144\128"))
end

-- A keyword for a label: Wireshark cuts labels at 240 bytes, maybe inside a character.
local function keyword_label(keyword)
    return #keyword > 24 and shown(keyword:sub(1, 24)) .. "..." or shown(keyword)
end

-- Adds one reading, over the received bytes of the field it came from, or generated when the reply
-- has no such field.
local function add_reading(tree, field, value, source)
    if type(value) == "string" then value = shown(value) end
    if source then
        return tree:add(field, source, value)
    end
    local item = tree:add(field, value)
    item:set_generated()
    return item
end

-- Field k of a reply counts from its keyword's header: line field offset + k.
local function reply_view(tvb, plain, offset, base)
    local fields = words(plain, ",")
    local view = { count = #fields - offset }
    function view.raw(k) local f = fields[offset + k]; return f and f.text or "" end
    function view.trimmed(k) return trim(view.raw(k)) end
    function view.is(k, expected) return view.trimmed(k) == expected end
    -- the changed mark counts only as sent: " ALT" is not it
    function view.changed_mark(k) return view.raw(k) == "ALT" end
    function view.source(k)
        local f = fields[offset + k]
        return f and tvb(base + f.at - 1, #f.text) or nil
    end
    return view
end

local function add_status(tree, reply, version)
    local status = tree:add(F.status)
    local function add(field, value, k) add_reading(status, field, value, reply.source(k)) end
    add(F.temperature, to_integer(reply.trimmed(4)), 4)
    add(F.humidity, to_integer(reply.trimmed(5)), 5)
    add(F.battery_tenths, to_integer(reply.trimmed(6)), 6)
    add(F.presence, reply.is(7, "1"), 7)
    add(F.reset_state, reply.is(8, "0"), 8)
    add(F.link1, reply.is(9, "1"), 9)
    local echo_field, changed_field = 10, 13
    if version >= FIRST_LINKS_VERSION then
        add(F.link2, reply.is(10, "1"), 10)
        add(F.link3, reply.is(11, "1"), 11)
        echo_field, changed_field = 12, 15
    end
    -- the echo number is read untrimmed: ' 42' is 42, '42 ' is 0
    add(F.echo, to_integer(reply.raw(echo_field)), echo_field)
    local changed = reply.changed_mark(changed_field)
    add(F.changed, changed, changed_field)
    -- a reply that ends before its changed flag announces no change: only the echo number must be there
    return changed, echo_field
end

local function add_parameters(tree, reply, version)
    local parameters = tree:add(F.parameters)
    local function add(field, value, k) add_reading(parameters, field, value, reply.source(k)) end
    -- version 130 alone sends its address octets in hexadecimal
    local function address(k)
        local text = reply.trimmed(k)
        return version == FIRST_NEW_VERSION and dotted_quad_from_hex_octets(text) or text
    end
    add(F.address, address(4), 4)
    add(F.mask, address(5), 5)
    add(F.gateway, address(6), 6)
    local mac_text = reply.trimmed(7)
    add(F.mac, version < FIRST_NEW_VERSION and mac_from_decimal_octets(mac_text) or mac_from_hex_octets(mac_text), 7)
    local function two(k) return left_pad_and_cut(reply.raw(k), 2, "0") end
    -- firmware version, day/month/year, hour:minute
    local firmware = reply.raw(15) .. " " .. two(21) .. "/" .. two(20) .. "/" .. two(23) .. " " .. two(18) .. ":" .. two(19)
    add(F.firmware, firmware, 15)
    local changed = reply.changed_mark(26)
    add(F.changed, changed, 26)
    -- as for the status: the changed mark may be left off, the firmware date's last field may not
    return changed, 23
end

local function add_reset_ack(tree, reply)
    add_reading(tree, F.reset_ack, upper_ascii(reply.trimmed(4)) == "ACK", reply.source(4))
    return false, 4
end

local function add_write_ack(tree)
    tree:add(korva, "Write acknowledged (devices below version 130 report it to the operator)")
    return false, 2
end

local READINGS = { SND = add_status, RPR = add_parameters, RST = add_reset_ack, WPR = add_write_ack }

-- The field a status or parameter reading needs last (its echo number, its firmware year): a reply that
-- ends before it is incomplete and shown without a reading, as korvactl decode reports it ("incomplete
-- reply"), never with its missing fields as zeros.
local function needed_by_reading(keyword, version)
    if keyword == "SND" then
        return version >= FIRST_LINKS_VERSION and 12 or 10
    end
    return keyword == "RPR" and 23 or nil
end

local function dissect_reply(tvb, pinfo, tree)
    local received = tvb:raw()
    local first, last = trimmed_span(received)
    if first > last then
        tree:add_proto_expert_info(E.blank)
        pinfo.cols.info = "Reply: only blanks"
        return
    end
    local plain, offset, version, form, lead = unscramble(received:sub(first, last))
    local base = first - 1 + lead -- tvb offset of the plain text's first byte
    local span = #plain > 0 and tvb(base, #plain) or nil

    add_reading(tree, F.form, form, nil)
    add_reading(tree, F.version, version, nil)
    add_reading(tree, F.offset, offset, nil)
    local plain_item = add_reading(tree, F.plain, plain, span)
    plain_item:set_generated()

    local reply = reply_view(tvb, plain, offset, base)
    local keyword = upper_ascii(reply.trimmed(2))
    add_reading(tree, F.keyword, keyword, reply.source(2))
    local changed_flag = reply.changed_mark(26)
    add_reading(tree, F.changed_flag, changed_flag, reply.source(26))

    local read = READINGS[keyword]
    local changed, last_needed = false, 2
    if read then
        local needed = needed_by_reading(keyword, version)
        if needed and reply.count < needed then
            last_needed = needed
        else
            changed, last_needed = read(tree, reply, version)
        end
        if reply.count < last_needed then
            tree:add_proto_expert_info(E.too_few_fields,
                string.format("Too few fields: %s needs field %d, this reply ends at field %d", keyword, last_needed,
                    math.max(reply.count, 0)))
        end
    else
        tree:add_proto_expert_info(E.unknown_keyword,
            string.format("Unknown keyword \"%s\": the console ignores the reply", keyword_label(keyword)))
    end
    if changed or changed_flag then
        tree:add_proto_expert_info(E.restart_pending)
    end
    pinfo.cols.info = string.format("Reply %s (%s form, version %d)", keyword_label(keyword), form, version)
end

---------------------------------------------------------------------------------------------------
-- Requests: one ASCII line each, ending in CR LF. Devices look at the first three letters in any case.

local function dissect_request(tvb, pinfo, tree)
    local received = tvb:raw()
    local first, last = trimmed_span(received)
    local line = received:sub(first, last)
    local command = upper_ascii(line:sub(1, 3))
    local kind
    if command == "SND" then
        kind = "live data"
    elseif command == "RPR" then
        -- the blank before CR LF is all that tells the operator's request from the automatic one
        kind = received:gsub("[\r\n]+$", ""):sub(-1) == " " and "parameters, manual" or "parameters, automatic"
    elseif upper_ascii(line:sub(1, 9)) == "RST000005" then
        kind = "reset"
        local digits = line:sub(10)
        add_reading(tree, F.echo, to_integer(digits), #digits > 0 and tvb(first + 8, #digits) or nil)
    elseif command == "WPR" then
        kind = "write"
        -- "wPr000 address mask gateway": the three dotted quads follow the first blank-separated word
        local parts = words(line, " ")
        for k, field in ipairs({ F.new_address, F.new_mask, F.new_gateway }) do
            local part = parts[k + 1]
            if part then
                add_reading(tree, field, part.text, tvb(first - 1 + part.at - 1, #part.text))
            end
        end
    else
        kind = "unknown"
        tree:add_proto_expert_info(E.unknown_request)
    end
    tree:add(F.request, kind):set_generated()
    pinfo.cols.info = "Request: " .. kind
end

function korva.dissector(tvb, pinfo, tree)
    pinfo.cols.protocol = "KORVA"
    local subtree = tree:add(korva, tvb())
    if tvb:len() > CONSOLE_DATAGRAM_LIMIT then
        subtree:add_proto_expert_info(E.oversized,
            string.format("Datagram of %d bytes: the console reads at most %d and drops it", tvb:len(),
                CONSOLE_DATAGRAM_LIMIT))
    end
    if pinfo.dst_port == DEVICE_PORT then
        dissect_request(tvb, pinfo, subtree)
    else
        dissect_reply(tvb, pinfo, subtree)
    end
    return tvb:len()
end

DissectorTable.get("udp.port"):add(DEVICE_PORT, korva)
