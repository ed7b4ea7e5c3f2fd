"""What a screen reader hears of the real window, in the language the session asks for (the first
argument), with korva-sim at the address the second names: every caption, each indicator's state in
words, each reading's value under its caption's name, the clock, and "aut" switched from the keyboard.
Runs inside the session that tests/console/screen_reader_test.sh sets up."""
import re
import subprocess
import sys
import time

import pyatspi

LANGUAGE = sys.argv[1]  # what the session's LANG asks for: "pt" or "en"
DEVICE = [int(octet) for octet in sys.argv[2].split(".")]
WORDS = {
    "pt": {
        "leds": ["presença", "rede 1", "rede 2", "rede 3", "reset EC"],
        "captions": ["lê dados", "reset", "parâmetros atuais", "parâmetros novos", "endereço", "máscara",
                     "gateway", "versão / data", "lê parâmetros", "altera  IP/msk/GW"],
        "no reading": "sem leitura", "on": "ligado", "off": "desligado",
        "battery": "bateria", "temperature": "temperatura", "humidity": "umidade", "clock": "última resposta",
        "mask": "máscara atual", "gateway": "gateway atual", "version": "versão / data",
    },
    "en": {
        "leds": ["presence", "network 1", "network 2", "network 3", "reset EC"],
        "captions": ["read data", "reset", "current parameters", "new parameters", "address", "mask", "gateway",
                     "version / date", "read parameters", "change IP/msk/GW"],
        "no reading": "no reading", "on": "on", "off": "off",
        "battery": "battery", "temperature": "temperature", "humidity": "humidity", "clock": "last reply",
        "mask": "current mask", "gateway": "current gateway", "version": "version / date",
    },
}[LANGUAGE]
AUT = {"pt": "aut", "en": "auto"}[LANGUAGE]
STATE_LEDS = WORDS["leds"]
NO_READING = WORDS["no reading"]
# What korva-sim reports, as the window shows it: the same forms in every language. Its gateway is the
# first host of its /24 and its MAC ends in the last three octets of its address.
READINGS = {
    WORDS["battery"]: r"\d+,\dV",
    WORDS["temperature"]: r"-?\d+°C",
    WORDS["humidity"]: r"\d+%",
    WORDS["clock"]: r"\d\d/\d\d/\d\d \d\d:\d\d:\d\d",
    WORDS["mask"]: r"255\.255\.255\.0",
    WORDS["gateway"]: re.escape(".".join(map(str, DEVICE[:3] + [1]))),
    "mac address": "00-1A-AB-" + "-".join(f"{octet:02X}" for octet in DEVICE[1:]),
    WORDS["version"]: r"1\.52 07/03/16 14:05",
}


def wait_for(what, check, patience=10.0):
    end = time.time() + patience
    while time.time() < end:
        result = check()
        if result:
            return result
        time.sleep(0.2)
    sys.exit(f"FAILED: {what}")


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    return next((app for app in desktop if app is not None and app.name == "Configurador TUNO"), None)


def descriptions(app):
    found = {}
    pending = [app]
    while pending:
        node = pending.pop()
        for child in node:
            if child is not None:
                found[child.name] = child.description
                pending.append(child)
    return found


def press(keys):
    subprocess.run(["xdotool", "key", "--delay", "100", *keys], check=True)


app = wait_for("the console on the accessibility bus", application)
leds = descriptions(app)
for caption in WORDS["captions"]:
    if caption not in leds:
        sys.exit(f"FAILED: no control is called {caption!r}; the window has {sorted(leds)!r}")
for caption in STATE_LEDS:
    if leds.get(caption) != f"{caption}: {NO_READING}":
        sys.exit(f"FAILED: before any reply {caption} reads {leds.get(caption)!r}")
if leds.get(AUT) != f"{AUT}: {WORDS['off']}":
    sys.exit(f"FAILED: {AUT} reads {leds.get(AUT)!r}")
# Before any reply the readings are empty, and the clock shows its zeros.
for name in READINGS:
    expected = "00/00/00 00:00:00" if name == WORDS["clock"] else ""
    if leds.get(name) != expected:
        sys.exit(f"FAILED: before any reply {name} reads {leds.get(name)!r}")

# No window manager gives the window the keyboard: it is given by hand. The focus starts in the address
# box; one step back, past the disabled reset button, is "aut".
subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^Melk - ", "windowfocus", "--sync"],
               check=True, stdout=subprocess.DEVNULL)
press(["shift+Tab", "space"])
wait_for("aut switched on by Space", lambda: descriptions(app).get(AUT) == f"{AUT}: {WORDS['on']}")
# Polling: the device's states arrive and are said in words.
states = wait_for("the device's states in words",
                  lambda: (lambda d: d if all(not d[c].endswith(NO_READING) for c in STATE_LEDS) else None)(
                      descriptions(app)))
for caption in STATE_LEDS:
    print(states[caption])
# The readings' values come with them, and the parameters with the first reply to their request.
values = wait_for("the readings' values",
                  lambda: (lambda d: d if all(re.fullmatch(p, d.get(n) or "") for n, p in READINGS.items()) else None)(
                      descriptions(app)))
for name in READINGS:
    print(f"{name}: {values[name]}")
press(["Return"])
wait_for("aut switched off by Enter", lambda: descriptions(app).get(AUT) == f"{AUT}: {WORDS['off']}")
print("aut: switched on with Space and off with Enter")
