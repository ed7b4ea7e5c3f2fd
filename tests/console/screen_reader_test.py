"""What a screen reader hears of the real window: each indicator's state in words, and "aut" switched
from the keyboard. Runs inside the session that tests/console/screen_reader_test.sh sets up."""
import subprocess
import sys
import time

import pyatspi

STATE_LEDS = ["presença", "rede 1", "rede 2", "rede 3", "reset EC"]


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
press(["Return"])
wait_for("aut switched off by Enter", lambda: descriptions(app).get("aut") == "aut: desligado")
print("aut: switched on with Space and off with Enter")
