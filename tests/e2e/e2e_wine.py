#!/usr/bin/env python3
"""End-to-end run of zentrilo.exe under Wine on Xvfb with the trayer tray host, driven from
outside: the window appears, a second start ends at once and leaves the first alone, "Start with
Windows" writes and removes the Run value, a watched ID's status comes from the loopback
simulator and its balloon appears, the exit message and the end of the session both save the
settings into Wine's registry (read back with `wine reg query`).

The caller provides the Wine prefix (WINEPREFIX, a throwaway one), WINEPATH with the Qt and
compiler DLLs and QT_PLUGIN_PATH; nothing leaves the machine.

usage: e2e_wine.py --exe ZENTRILO.EXE --post-exit POSTEXIT.EXE --sim ZENTRILO-SIM --out DIR
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import Failure, check, stop_processes, wait_for  # noqa: E402  the Linux run's helpers

CAPTION = "Zentrilo v0.5.4"
PROGRAM_KEY = r"HKCU\Software\ZentriloSoft\Zentrilo"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
SERVICES = ("ZENTRILO_SITE", "ZENTRILO_SITE_RO", "ZENTRILO_DETECT_HOST",
            "ZENTRILO_INDICATOR_HOST")


class Desktop:
    """Xvfb on a free display with trayer, and the programs started on it."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="zentrilo-wine-e2e-")
        self.env = dict(os.environ)
        self.processes = []
        display = next(n for n in range(140, 240)
                       if not os.path.exists("/tmp/.X11-unix/X%d" % n))
        self.env["DISPLAY"] = ":%d" % display
        self.spawn(["Xvfb", self.env["DISPLAY"], "-screen", "0", "1024x768x24", "-nolisten",
                    "tcp"])
        wait_for(lambda: os.path.exists("/tmp/.X11-unix/X%d" % display), 10, "Xvfb")
        self.spawn(["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                    "--height", "32"])
        wait_for(lambda: self.xdotool("search", "--onlyvisible", "--class", "trayer"), 10,
                 "the tray host")

    def spawn(self, args, **kwargs):
        kwargs.setdefault("stdout", subprocess.DEVNULL)
        kwargs.setdefault("stderr", subprocess.DEVNULL)
        process = subprocess.Popen(args, env=self.env, **kwargs)
        self.processes.append(process)
        return process

    def xdotool(self, *args):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True,
                                text=True, timeout=20)
        return result.stdout.split()

    def main_window(self):
        found = self.xdotool("search", "--onlyvisible", "--name", "^" + CAPTION + "$")
        return found[0] if found else None

    def wine(self, *args, timeout=60):
        return subprocess.run(["wine", *args], env=self.env, capture_output=True, text=True,
                              timeout=timeout)

    def close(self):
        stop_processes(self.processes, 5)
        shutil.rmtree(self.root, ignore_errors=True)


def reg_query(desktop, key, name):
    """The type and data of a registry value, or None when it is missing."""
    result = desktop.wine("reg", "query", key, "/v", name)
    for line in result.stdout.splitlines():
        fields = line.split(None, 2)
        if len(fields) >= 2 and fields[0] == name:
            return fields[1], fields[2] if len(fields) == 3 else ""
    return None


def reg_add(desktop, key, name, data):
    result = desktop.wine("reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", data, "/f")
    check(result.returncode == 0, "reg add %s %s failed" % (key, name))


def start_simulator(desktop, binary, states):
    state = os.path.join(desktop.root, "state")
    with open(state, "w") as f:
        f.write("".join("%s %s\n" % item for item in states.items()))
    process = desktop.spawn([binary, "--port", "0", "--state", state], stdout=subprocess.PIPE,
                            text=True)
    line = process.stdout.readline().split()
    check(len(line) == 2 and line[0] == "PORT", "the simulator did not report its port")
    for name in SERVICES:
        desktop.env[name] = "127.0.0.1:" + line[1]


def rss_kib(process):
    """The resident memory of the Wine process that runs the program (its Linux process)."""
    found = subprocess.run(["pgrep", "-f", "zentrilo.exe"], capture_output=True, text=True)
    for pid in found.stdout.split():
        try:
            with open("/proc/%s/status" % pid) as f:
                for line in f:
                    if line.startswith("VmRSS:") and int(line.split()[1]) > 10000:
                        return int(line.split()[1])
        except OSError:
            pass
    return 0


def click_start_with_windows(desktop, window):
    """The check box sits 99 px above the bottom of the client area, at the left margin."""
    geometry = dict(token.split("=") for token in
                    desktop.xdotool("getwindowgeometry", "--shell", window))
    desktop.xdotool("mousemove", "--window", window, "16", str(int(geometry["HEIGHT"]) - 99),
                    "click", "1")


def run(args):
    desktop = Desktop()
    try:
        start_simulator(desktop, args.sim, {"bob": "online"})
        reg_add(desktop, PROGRAM_KEY + r"\General", "CheckForUpdates", "0")
        reg_add(desktop, PROGRAM_KEY + r"\Items", "User0", "bob")
        reg_add(desktop, PROGRAM_KEY + r"\Items", "Interval0", "1")
        reg_add(desktop, PROGRAM_KEY, "Language", "English")

        before = set(desktop.xdotool("search", "--onlyvisible", "--name", ".*"))
        started = time.monotonic()
        program = desktop.spawn(["wine", args.exe])
        window = wait_for(desktop.main_window, 60, "the main window")
        to_window = time.monotonic() - started
        print("start to window: %.1f s" % to_window)

        # The simulator's "online" for bob is a change from "not checked yet": a balloon, a
        # window of its own larger than the tray icon.
        def balloon():
            shown = set(desktop.xdotool("search", "--onlyvisible", "--name", ".*"))
            for candidate in shown - before - {window}:
                geometry = dict(token.split("=") for token in
                                desktop.xdotool("getwindowgeometry", "--shell", candidate))
                if int(geometry.get("WIDTH", 0)) > 100 and int(geometry.get("HEIGHT", 0)) > 40:
                    return candidate
            return None
        wait_for(balloon, 30, "the status balloon")
        print("balloon shown")
        os.makedirs(args.out, exist_ok=True)
        subprocess.run(["import", "-window", "root", os.path.join(args.out, "wine-balloon.png")],
                       env=desktop.env, timeout=20, check=False)

        second_started = time.monotonic()
        second = desktop.wine(args.exe, timeout=60)
        check(second.returncode == 0, "second start exited %d" % second.returncode)
        print("second start ended after %.1f s" % (time.monotonic() - second_started))
        check(program.poll() is None, "the first instance ended with the second start")
        check(desktop.main_window() == window, "the first window went away")

        click_start_with_windows(desktop, window)
        data = wait_for(lambda: reg_query(desktop, RUN_KEY, "Zentrilo"), 10, "the Run value")
        check(data[0] == "REG_SZ" and data[1].endswith('zentrilo.exe" -minimized')
              and data[1].startswith('"'), "Run value %r" % (data,))
        print("Run value: %s %s" % data)
        click_start_with_windows(desktop, window)
        wait_for(lambda: reg_query(desktop, RUN_KEY, "Zentrilo") is None, 10,
                 "the Run value to go")

        print("RSS: %d KiB" % rss_kib(program))
        check(desktop.wine(args.post_exit).returncode == 0, "no window of class TzentriloMF")
        program.wait(30)
        for key, name, data in ((r"\General", "CloseToTray", "1"),
                                (r"\General", "CheckForUpdates", "0"),
                                (r"\General", "StillRunning", "1"),
                                (r"\Items", "User0", "bob"), (r"\Items", "Interval0", "1")):
            stored = reg_query(desktop, PROGRAM_KEY + key, name)
            check(stored == ("REG_SZ", data), "%s %s: %r" % (key, name, stored))
        print("exit message: settings saved")

        # The end of the session: the program saves and ends.
        reg_add(desktop, PROGRAM_KEY + r"\Items", "User0", "")
        reg_add(desktop, PROGRAM_KEY + r"\Items", "User1", "carol")
        program = desktop.spawn(["wine", args.exe])
        wait_for(desktop.main_window, 60, "the main window")
        desktop.wine("wineboot", "--end-session", timeout=60)
        program.wait(30)
        check(reg_query(desktop, PROGRAM_KEY + r"\Items", "User0") == ("REG_SZ", "carol"),
              "the session's end did not save the list")
        print("end of session: settings saved")
        return 0
    except Failure as failure:
        print("FAILED: %s" % failure, file=sys.stderr)
        return 1
    finally:
        desktop.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--post-exit", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--out", required=True)
    return run(parser.parse_args())


if __name__ == "__main__":
    sys.exit(main())
