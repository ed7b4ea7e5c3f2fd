#!/usr/bin/env bash
# korvactl.exe under Wine on a terminal of its own: Ctrl-C typed at set's "[y/N]" question ends it at
# once with nothing written and status 1, as on Linux. Wine makes the pseudo-terminal the program's
# console and the typed Ctrl-C the console's CTRL_C_EVENT. Nothing is sent: the question comes before
# the first datagram, and the device named is a loopback address.
# Usage: windows_question_test.sh WINE64 WINEPREFIX KORVACTL.EXE DEVICE_ADDRESS GATEWAY
set -euo pipefail
wine=$1 prefix=$2 korvactl=$3 device=$4 gateway=$5
LC_ALL=C.UTF-8 WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= python3 - "$wine" "$korvactl" \
  "$device" "$gateway" <<'PY'
import os, pty, re, select, sys, time

wine, korvactl, device, gateway = sys.argv[1:5]
# Wine's console draws what it shows with cursor movements between the characters.
def shown(raw):
    return re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]|\s", b"", raw)

pid, terminal = pty.fork()
if pid == 0:
    os.execv(wine, [wine, korvactl, "set", device, "--ip", device, "--mask", "255.255.255.0",
                    "--gateway", gateway])
raw, typed = b"", False
give_up = time.time() + 120  # a time-out against a hang only: Wine's first start is slow
while time.time() < give_up:
    if select.select([terminal], [], [], 0.2)[0]:
        try:
            data = os.read(terminal, 4096)
        except OSError:
            break  # the program's side of the terminal has closed
        if not data:
            break
        raw += data
    if not typed and b"[y/N]" in shown(raw):
        os.write(terminal, b"\x03")
        typed = True
else:
    os.kill(pid, 9)
status = os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1])
expected = shown(b"korvactl set: interrupted at the question; nothing written")
if not typed or status != 1 or expected not in shown(raw):
    print("windows_question_test: asked %s, exit status %d, the terminal showed:\n%r" % (typed, status, raw))
    sys.exit(1)
print("windows_question_test: Ctrl-C at the question: nothing written, exit status 1")
PY
