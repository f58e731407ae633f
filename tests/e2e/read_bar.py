#!/usr/bin/env python3
"""The running bar as a screen reader meets it on the accessibility bus.

Usage: read_bar.py PID TITLE ARTIST TRACK1 BAR_WINDOW OTHER_WINDOW
Reads the bar of process PID through AT-SPI; presses play through the play button's
accessible action; then, with the keyboard (xdotool), takes the bar's menu item to the
panel, walks it with Tab and presses a button with Space, listening for focus events;
Escape then gives the keyboard back to OTHER_WINDOW, which had it before.
Prints what it found and exits non-zero at the first thing a reader would miss.
"""
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

PID, TITLE, ARTIST, TRACK1 = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
TIME = re.compile(r"^\d+:\d\d/\d+:\d\d$")


def fail(what):
    print("FAIL: " + what, file=sys.stderr)
    sys.exit(1)


def walk(node, depth=0):
    yield node
    if depth > 12:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def bar_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for _ in range(100):
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == PID:
                return app
        time.sleep(0.1)
    fail("the bar is not on the accessibility bus")


def find(app, role, name=None, pattern=None):
    for node in walk(app):
        if node.getRole() != role:
            continue
        if name is not None and node.name != name:
            continue
        if pattern is not None and not pattern.match(node.name):
            continue
        return node
    return None


def wait_for(condition, seconds):
    end = time.time() + seconds
    while time.time() < end:
        if condition():
            return True
        time.sleep(0.1)
    return False


app = bar_app()
frame = find(app, pyatspi.ROLE_FRAME, "Lintel")
if frame is None:
    fail("no window named Lintel: " + str([(n.getRoleName(), n.name) for n in walk(app)]))
disc = "<%s / %s>" % (TITLE, ARTIST)
track = "1. " + TRACK1
labels = [n.name for n in walk(app) if n.getRole() == pyatspi.ROLE_LABEL]
if disc not in labels or track not in labels:
    fail("the labels read %r, not %r and %r" % (labels, disc, track))
for node in walk(app):
    if node.getRole() == pyatspi.ROLE_LABEL and node.name == track:
        text = node.queryText()
        if text.getText(0, text.characterCount) != track:
            fail("the track label's text is not its name")
if disc not in frame.description or track not in frame.description:
    fail("the window's description %r names neither disc nor track" % frame.description)
gauge = find(app, pyatspi.ROLE_PROGRESS_BAR, pattern=TIME)
if gauge is None:
    fail("no progress bar named by the time")
print("read: %s | %s | %s" % (disc, track, gauge.name))

# Play through the play button's own action; the time moves.
play = find(app, pyatspi.ROLE_PUSH_BUTTON, "再生")
if play is None:
    fail("no button named 再生")
before = gauge.name
play.queryAction().doAction(0)
time.sleep(3)
after = gauge.name
if after == before or not TIME.match(after):
    fail("the time read %r before play and %r 3 s after" % (before, after))
print("played: %s -> %s" % (before, after))
stop = find(app, pyatspi.ROLE_PUSH_BUTTON, "停止")
stop.queryAction().doAction(0)
if not wait_for(lambda: gauge.name.startswith("0:00/"), 5):
    fail("stop did not bring the time back to 0:00: " + gauge.name)

# The keyboard: the bar's menu item to the panel, Tab, Space; focus events are heard.
focused = []


def on_focus(event):
    if event.detail1 == 1 and event.source is not None:
        focused.append((event.source.getRoleName(), event.source.name))


pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")


def xdo(*args):
    subprocess.run(["xdotool", *args], check=False)


def run_loop(seconds):
    GLib.timeout_add(int(seconds * 1000), lambda: pyatspi.Registry.stop() or False)
    pyatspi.Registry.start()


bar = sys.argv[5]
geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", bar], capture_output=True,
                          text=True).stdout
place = dict(line.split("=") for line in geometry.split())
xdo("mousemove", str(int(place["X"]) + 4), str(int(place["Y"]) + 2), "click", "3")
time.sleep(0.8)
xdo("key", "f")
run_loop(1.5)
if ("push button", "再生") not in focused:
    fail("the menu item did not focus the play button: %r" % focused)
focused.clear()
xdo("key", "Tab")
run_loop(1.0)
if ("push button", "一時停止") not in focused:
    fail("Tab gave no focus event on the pause button: %r" % focused)
focused.clear()
xdo("key", "shift+Tab")
run_loop(1.0)
if ("push button", "再生") not in focused:
    fail("Shift+Tab gave no focus event on the play button: %r" % focused)
before = gauge.name
xdo("key", "space")
time.sleep(3)
if gauge.name == before:
    fail("Space on the play button did not play: %r" % gauge.name)
print("keyboard: focus events heard, Space played (%s -> %s)" % (before, gauge.name))

# Escape gives the keyboard back to the window that had it.
active = lambda: subprocess.run(["xdotool", "getactivewindow"], capture_output=True,
                                text=True).stdout.strip()
if active() == sys.argv[6]:
    fail("the bar never took the keyboard from the other window")
xdo("key", "Escape")
if not wait_for(lambda: active() == sys.argv[6], 5):
    fail("Escape left the keyboard with window %s, not %s" % (active(), sys.argv[6]))
print("Escape: the keyboard is back with the other window")
