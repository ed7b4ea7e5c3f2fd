"""What a screen reader hears of the real window: each indicator's state in words, each reading's value
under its caption's name, the clock, and "aut" switched from the keyboard. Runs inside the session that
tests/console/screen_reader_test.sh sets up."""
import re
import subprocess
import sys
import time

import pyatspi

STATE_LEDS = ["presença", "rede 1", "rede 2", "rede 3", "reset EC"]
# What korva-sim on 127.0.42.31 reports, as the window shows it.
READINGS = {
    "bateria": r"\d+,\dV",
    "temperatura": r"-?\d+°C",
    "umidade": r"\d+%",
    "última resposta": r"\d\d/\d\d/\d\d \d\d:\d\d:\d\d",
    "máscara atual": r"255\.255\.255\.0",
    "gateway atual": r"127\.0\.42\.1",
    "mac address": r"00-1A-AB-00-2A-1F",
    "versão / data": r"1\.52 07/03/16 14:05",
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
for caption in STATE_LEDS:
    if leds.get(caption) != f"{caption}: sem leitura":
        sys.exit(f"FAILED: before any reply {caption} reads {leds.get(caption)!r}")
if leds.get("aut") != "aut: desligado":
    sys.exit(f"FAILED: aut reads {leds.get('aut')!r}")
# Before any reply the readings are empty, and the clock shows its zeros.
for name in READINGS:
    expected = "00/00/00 00:00:00" if name == "última resposta" else ""
    if leds.get(name) != expected:
        sys.exit(f"FAILED: before any reply {name} reads {leds.get(name)!r}")

# No window manager gives the window the keyboard: it is given by hand. The focus starts in the address
# box; one step back, past the disabled reset button, is "aut".
subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^Melk - ", "windowfocus", "--sync"],
               check=True, stdout=subprocess.DEVNULL)
press(["shift+Tab", "space"])
wait_for("aut switched on by Space", lambda: descriptions(app).get("aut") == "aut: ligado")
# Polling: the device's states arrive and are said in words.
states = wait_for("the device's states in words",
                  lambda: (lambda d: d if all(not d[c].endswith("sem leitura") for c in STATE_LEDS) else None)(
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
wait_for("aut switched off by Enter", lambda: descriptions(app).get("aut") == "aut: desligado")
print("aut: switched on with Space and off with Enter")
