#!/usr/bin/python3
"""A stand-in for a screen reader: listens on the accessibility bus for the events a screen reader
follows and counts them; prints the count when ended with SIGTERM."""

import signal
import sys

import pyatspi

EVENTS = ["object:", "object:children-changed", "object:state-changed", "object:property-change",
          "object:active-descendant-changed", "object:selection-changed", "object:text-changed",
          "object:visible-data-changed", "object:bounds-changed", "focus:", "window:"]
count = 0


def heard(_event):
    global count
    count += 1


def end(*_):
    print(count, flush=True)
    pyatspi.Registry.stop()


for event in EVENTS:
    pyatspi.Registry.registerEventListener(heard, event)
signal.signal(signal.SIGTERM, end)
print("listening", flush=True)
pyatspi.Registry.start()
sys.exit(0)
