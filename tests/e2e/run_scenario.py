#!/usr/bin/env python3
"""One end-to-end scenario: the real program under Xvfb, pressed with X events, against
the scripted server, judged by the files it leaves. Usage: run_scenario.py NAME LARKSPUR SERVER
Set E2E_SHOTS=DIR to keep screenshots of the start, the middle and the end.
Scenarios live in the *_scenarios.py modules beside this file, each with a SCENARIOS table."""
import glob
import importlib
import os
import subprocess
import sys
import time

from e2e_world import Failed, Scenario


def all_scenarios():
    here = os.path.dirname(os.path.abspath(__file__))
    table = {}
    for path in sorted(glob.glob(os.path.join(here, "*_scenarios.py"))):
        table.update(importlib.import_module(os.path.basename(path)[:-3]).SCENARIOS)
    return table


def main():
    name, larkspur, server = sys.argv[1:4]
    scenario = Scenario(larkspur, server, name)
    started = time.monotonic()
    try:
        scenario.start_display()
        scenario.start_server()
        figures = all_scenarios()[name](scenario)
        print(f"e2e {name}: passed in {time.monotonic() - started:.1f} s: {figures}")
        return 0
    except (Failed, OSError, subprocess.SubprocessError) as failure:
        scenario.shot("failure")
        print(f"e2e {name}: FAILED after {time.monotonic() - started:.1f} s: {failure}")
        return 1
    finally:
        scenario.cleanup()


if __name__ == "__main__":
    sys.exit(main())
