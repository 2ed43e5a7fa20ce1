#!/usr/bin/env python3
"""End-to-end tests of the real zentrilo binary under Xvfb, driven from outside.

Each case gets its own X server on a free display, its own HOME, config and runtime folders,
an explicit session bus address (a private bus or none at all), the trayer tray host where a
tray is wanted, and cleans all of it up. Services point at a closed loopback port, so nothing
leaves the machine.

usage: e2e.py CASE --binary PATH --out DIR [--sim PATH] [--notifyd PATH] [--check PATH]
       e2e.py --list     (the names of the cases, one a line)
"""

import argparse
import errno
import os
import random
import shutil
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

CAPTION = "Zentrilo v0.5.4"
NO_BUS = "unix:path=/nonexistent/zentrilo-e2e-bus"
SKIPPED = 77  # CTest counts this exit code as a skip
TRAY_HEIGHT = 32
SERVICES = (
    "ZENTRILO_SITE", "ZENTRILO_SITE_RO", "ZENTRILO_DETECT_HOST", "ZENTRILO_INDICATOR_HOST")


def point_services_at(env, address):
    for name in SERVICES:
        env[name] = address


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        result = predicate()
        if result:
            return result
        time.sleep(0.05)
    raise Failure("timed out waiting for " + what)


def stop_processes(processes, grace):
    """Ends the processes, newest first: asked to end, killed after `grace` seconds."""
    for process in reversed(processes):
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(grace)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


class Desktop:
    """An X server, optionally a tray host and a session bus, and a private user folder."""

    def __init__(self, tray=True, bus=False, services=None):
        """`services`: {bus name: program} that the bus starts when first asked (implies bus)."""
        self.root = tempfile.mkdtemp(prefix="zentrilo-e2e-")
        self.processes = []
        self.started_by_bus = []  # pid files of the services the bus started
        try:
            self.env = self._base_env()
            self._start_x()
            if bus or services:
                self._start_bus(services or {})
            if tray:
                self._start_tray()
        except BaseException:
            self.close()
            raise

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def _base_env(self):
        home = os.path.join(self.root, "home")
        runtime = os.path.join(self.root, "run")
        config = os.path.join(home, ".config")
        data = os.path.join(home, ".local", "share")
        for d in (home, config, data):
            os.makedirs(d)
        os.makedirs(runtime, mode=0o700)
        env = {k: v for k, v in os.environ.items() if not k.startswith(("XDG_", "DBUS_", "QT_"))}
        env.update(HOME=home, XDG_CONFIG_HOME=config, XDG_DATA_HOME=data, XDG_RUNTIME_DIR=runtime,
                   DBUS_SESSION_BUS_ADDRESS=NO_BUS, QT_QPA_PLATFORM="xcb")
        # A closed loopback port: every request fails at once, nothing reaches the internet.
        point_services_at(env, "127.0.0.1:9")
        env.pop("BROWSER", None)
        return env

    def spawn(self, args, **kwargs):
        kwargs.setdefault("stdin", subprocess.DEVNULL)
        process = subprocess.Popen(args, env=self.env, **kwargs)
        self.processes.append(process)
        return process

    def _start_x(self):
        read_end, write_end = os.pipe()
        self.spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                    "-nolisten", "tcp"], pass_fds=(write_end,),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        check(number.isdigit(), "Xvfb did not report its display")
        self.env["DISPLAY"] = ":" + number

    def _start_bus(self, services):
        config = ["--session"]
        if services:
            config = ["--config-file=" + self._bus_config(services)]
        bus = self.spawn(["dbus-daemon", *config, "--nofork", "--print-address=1"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        address = bus.stdout.readline().strip()
        check(address, "dbus-daemon did not report its address")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address

    def _bus_config(self, services):
        """A session bus that starts each service on demand through a wrapper that puts it on
        this bus and notes its pid."""
        folder = os.path.join(self.root, "services")
        os.makedirs(folder)
        for name, program in services.items():
            wrapper = os.path.join(folder, name + ".sh")
            pidfile = wrapper + ".pid"
            self.started_by_bus.append(pidfile)
            with open(wrapper, "w") as f:
                f.write('#!/bin/sh\necho $$ >"%s"\n'
                        'export DBUS_SESSION_BUS_ADDRESS="$DBUS_STARTER_ADDRESS"\n'
                        'exec %s\n' % (pidfile, program))
            os.chmod(wrapper, 0o755)
            with open(os.path.join(folder, name + ".service"), "w") as f:
                f.write("[D-BUS Service]\nName=%s\nExec=%s\n" % (name, wrapper))
        config = os.path.join(self.root, "bus.conf")
        with open(config, "w") as f:
            f.write('<busconfig><type>session</type><listen>unix:dir=%s</listen>'
                    '<servicedir>%s</servicedir><policy context="default">'
                    '<allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>'
                    '<allow own="*"/></policy></busconfig>\n' % (self.root, folder))
        return config

    def _start_tray(self, attempts=3):
        # On a loaded machine the tray host now and then never maps its window or dies at start;
        # a fresh one is started then, and its last words are kept for the failure.
        log = os.path.join(self.root, "trayer.log")
        for attempt in range(1, attempts + 1):
            with open(log, "w") as out:
                tray = self.spawn(["trayer", "--edge", "top", "--align", "right",
                                   "--widthtype", "pixel", "--width", "120",
                                   "--height", str(TRAY_HEIGHT), "--transparent", "false"],
                                  stdout=out, stderr=subprocess.STDOUT)
            try:
                def mapped():
                    check(tray.poll() is None, "the tray host ended")
                    return self.xdotool("search", "--onlyvisible", "--class", "trayer")
                wait_for(mapped, 8, "the tray host")
                time.sleep(0.4)  # it owns the tray selection a little after its window appears
                return
            except Failure:
                if tray.poll() is None:
                    tray.kill()
                tray.wait()
                if attempt == attempts:
                    with open(log) as f:
                        raise Failure("timed out waiting for the tray host (%d tries): %s"
                                      % (attempts, f.read().strip()[-300:] or "no output"))

    def xdotool(self, *args):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True,
                                text=True, timeout=10)
        return result.stdout.split() if result.returncode == 0 else []

    def visible_main_window(self):
        return self.xdotool("search", "--onlyvisible", "--name", "^" + CAPTION + "$")

    @property
    def config_file(self):
        return os.path.join(self.env["XDG_CONFIG_HOME"], "ZentriloSoft", "Zentrilo.conf")

    @property
    def history_file(self):
        return os.path.join(self.env["XDG_DATA_HOME"], "ZentriloSoft", "history.sqlite")

    @property
    def socket_path(self):
        return os.path.join(self.env["XDG_RUNTIME_DIR"], "zentrilo", "TzentriloMF")

    def close(self):
        for pidfile in self.started_by_bus:
            try:
                with open(pidfile) as f:
                    os.kill(int(f.read()), signal.SIGTERM)
            except (OSError, ValueError):
                pass  # never started, or gone already
        stop_processes(self.processes, 3)
        shutil.rmtree(self.root, ignore_errors=True)


class Program:
    def __init__(self, desktop, binary, *args, **kwargs):
        self.desktop = desktop
        self.process = desktop.spawn([binary, *args], **kwargs)

    def wait_listening(self, timeout=15):
        def answers():
            check(self.process.poll() is None, "zentrilo ended early")
            try:
                with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
                    s.connect(self.desktop.socket_path)
                return True
            except OSError:
                return False
        wait_for(answers, timeout, "the program's socket")

    def wait_shown(self, timeout=15):
        return wait_for(self.desktop.visible_main_window, timeout, "the main window")

    def wait_exit(self, timeout=10):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("zentrilo did not end")

    def alive(self):
        return self.process.poll() is None

    def exit_by_line(self, what):
        """Sends the exit line; the program must end with 0 (else fails with `what`)."""
        send(self.desktop, b"1027\n")
        check(self.wait_exit() == 0, what)


def send(desktop, data):
    """Talks to the program's socket through socat, as any other program would."""
    subprocess.run(["socat", "-t", "1", "-", "UNIX-CONNECT:" + desktop.socket_path],
                   input=data, env=desktop.env, check=True, timeout=10,
                   stdout=subprocess.DEVNULL)


def second_start_ends_at_once(desktop, binary):
    started = time.monotonic()
    second = subprocess.run([binary], env=desktop.env, timeout=10, capture_output=True)
    check(second.returncode == 0, "second start exited %d" % second.returncode)
    check(time.monotonic() - started < 3, "second start did not end at once")


class Simulator:
    """The local presence simulator, with a state file a test rewrites to flip buddies."""

    def __init__(self, desktop, binary, states, settings=None):
        self.state = os.path.join(desktop.root, "state")
        self.set(states)
        command = [binary, "--port", "0", "--state", self.state]
        if settings is not None:
            path = os.path.join(desktop.root, "zentrilo.ini")
            with open(path, "w") as f:
                f.write(settings)
            command += ["--settings", path]
        process = desktop.spawn(command, stdout=subprocess.PIPE, text=True)
        line = process.stdout.readline().split()
        check(len(line) == 2 and line[0] == "PORT", "the simulator did not report its port")
        self.address = "127.0.0.1:" + line[1]
        point_services_at(desktop.env, self.address)

    def set(self, states):
        with open(self.state + ".new", "w") as f:
            f.write("".join("%s %s\n" % item for item in states.items()))
        os.replace(self.state + ".new", self.state)


def install_fake_opener(desktop):
    """A fake xdg-open (first on PATH) that records its arguments, and a handler for ymsgr:."""
    bindir = os.path.join(desktop.root, "bin")
    os.makedirs(bindir)
    log = os.path.join(desktop.root, "opened")
    scripts = {
        "xdg-open": '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s"\n' % log,
        "xdg-mime": "#!/bin/sh\necho messenger.desktop\n",
    }
    for name, body in scripts.items():
        path = os.path.join(bindir, name)
        with open(path, "w") as f:
            f.write(body)
        os.chmod(path, 0o755)
    desktop.env["PATH"] = bindir + os.pathsep + desktop.env.get("PATH", "/usr/bin:/bin")
    return log


def opened(log):
    try:
        with open(log) as f:
            return f.read().splitlines()
    except FileNotFoundError:
        return []


def watch_settings(desktop, *users):
    """Settings of a first run that watches `users`, without the update prompt."""
    os.makedirs(os.path.dirname(desktop.config_file), exist_ok=True)
    items = "".join("User%d=%s\nInterval%d=1\n" % (slot, user, slot)
                    for slot, user in enumerate(users))
    with open(desktop.config_file, "w", encoding="utf-8") as f:
        f.write("[%General]\nCheckForUpdates=0\n\n[Items]\n" + items)


class NotifyDaemon:
    """The fake notification service; collects the notifications it is sent."""

    def __init__(self, desktop, binary, markup=False):
        self.process = desktop.spawn([binary] + (["--markup"] if markup else []),
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        check(self.process.stdout.readline().strip() == "READY", "no notification service")
        self.sent = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            words = line.rstrip("\n").split(" ", 3)
            if words[0] == "NOTIFY":
                category, actions, title, body = words[3].split("|", 3)
                self.sent.append(dict(id=words[1], timeout=int(words[2]), category=category,
                                      actions=actions.split(",") if actions else [],
                                      title=title, body=body))

    def wait(self, count, timeout=15):
        wait_for(lambda: len(self.sent) >= count, timeout, "%d notifications" % count)
        return self.sent[count - 1]

    def click(self, notification):
        self.process.stdin.write("click %s\n" % notification["id"])
        self.process.stdin.flush()


# ---- cases -----------------------------------------------------------------------------------

def case_second_start_shown(args):
    with Desktop() as desktop:
        first = Program(desktop, args.binary)
        first.wait_shown()
        first.wait_listening()
        second_start_ends_at_once(desktop, args.binary)
        check(first.alive() and desktop.visible_main_window(), "the first instance was touched")
        first.exit_by_line("first instance did not exit cleanly")


def case_second_start_hidden(args):
    with Desktop() as desktop:
        first = Program(desktop, args.binary, "-minimized")
        first.wait_listening()
        second_start_ends_at_once(desktop, args.binary)
        check(first.alive(), "the first instance ended")
        check(not desktop.visible_main_window(), "the hidden instance was shown")


def geometry_of(desktop, window):
    """x, y, width and height of the window on the screen; None once it is gone."""
    values = dict(token.split("=", 1)
                  for token in desktop.xdotool("getwindowgeometry", "--shell", window))
    keys = ("X", "Y", "WIDTH", "HEIGHT")
    return tuple(int(values[key]) for key in keys) if all(key in values for key in keys) else None


def tray_icon_of(desktop, program):
    """The program's window that fits in the 32-pixel tray (a balloon may be shown already)."""
    def icon():
        windows = desktop.xdotool("search", "--onlyvisible", "--pid", str(program.process.pid))
        main = set(desktop.visible_main_window())
        return [w for w in windows if w not in main
                and (geometry_of(desktop, w) or (0, 0, 0, TRAY_HEIGHT + 1))[3] <= TRAY_HEIGHT]
    return wait_for(icon, 15, "the tray icon")[0]


def case_minimized_then_tray_click(args):
    with Desktop() as desktop:
        program = Program(desktop, args.binary, "-MiNiMiZeD")
        program.wait_listening()
        icon = tray_icon_of(desktop, program)
        time.sleep(0.5)
        check(not desktop.visible_main_window(), "-MiNiMiZeD showed the window")
        desktop.xdotool("mousemove", "--window", icon, "4", "4", "click", "1")
        program.wait_shown(10)


def case_minimized_without_tray(args):
    """No notification area: "-minimized" must not strand the window where nothing brings it
    back; it is minimised instead, so it still exists on screen (no window manager here)."""
    with Desktop(tray=False) as desktop:
        program = Program(desktop, args.binary, "-minimized")
        program.wait_listening()
        program.wait_shown(15)
        program.exit_by_line("did not exit cleanly")


def case_exit_line(args):
    with Desktop() as desktop:
        program = Program(desktop, args.binary, "-minimized")
        program.wait_listening()
        program.exit_by_line("exit line did not end the program with 0")
        check(os.path.exists(desktop.config_file), "the settings were not saved on exit")


def case_sigterm_saves(args):
    with Desktop() as desktop:
        program = Program(desktop, args.binary)
        program.wait_shown()
        program.wait_listening()
        check(not os.path.exists(desktop.config_file), "settings written before the exit")
        program.process.send_signal(signal.SIGTERM)
        check(program.wait_exit() == 0, "SIGTERM did not end the program with 0")
        with open(desktop.config_file, encoding="utf-8") as f:
            saved = f.read()
        check("CloseToTray" in saved, "the orderly exit did not save the options:\n" + saved)


def case_stale_socket(args):
    with Desktop() as desktop:
        directory = os.path.dirname(desktop.socket_path)
        os.makedirs(directory, mode=0o700)
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
            s.bind(desktop.socket_path)  # left behind, with nobody listening
        dead = subprocess.Popen(["true"])
        dead.wait()
        with open(desktop.socket_path + ".lock", "w") as lock:
            lock.write("%d\nzentrilo\n%s\n" % (dead.pid, socket.gethostname()))
        program = Program(desktop, args.binary)
        program.wait_shown()
        program.wait_listening()
        program.exit_by_line("the new instance did not exit cleanly")


def save_window(desktop, args, window, name):
    """Saves the window (or "root", the whole screen) as NAME in the output folder, once it has
    settled after a move."""
    time.sleep(1.0)
    os.makedirs(args.out, exist_ok=True)
    target = os.path.join(args.out, name)
    subprocess.run(["import", "-window", window, target], env=desktop.env, check=True, timeout=20)
    check(os.path.getsize(target) > 0, "empty screenshot")


def screenshot(args, name, settings):
    with Desktop() as desktop:
        if settings:
            os.makedirs(os.path.dirname(desktop.config_file))
            with open(desktop.config_file, "w", encoding="utf-8") as f:
                f.write(settings)
        program = Program(desktop, args.binary)
        window = program.wait_shown()[0]
        desktop.xdotool("windowmove", window, "40", "40")
        save_window(desktop, args, "root", name)
        program.exit_by_line("did not exit cleanly")


def case_screenshot_english(args):
    screenshot(args, "zentrilo-en.png", None)


def case_screenshot_romanian(args):
    screenshot(args, "zentrilo-ro.png", "[General]\nLanguage=Romana\n")


def check_all_now(desktop, window):
    # "Check All Now": the wide button in the lower part of the 549 x 508 window.
    desktop.xdotool("mousemove", "--window", window, "200", "369", "click", "1")


def open_history_window(desktop, window):
    """Clicks "History..." (left of "Check status") and returns the history window."""
    desktop.xdotool("mousemove", "--window", window, "398", "328", "click", "1")
    return wait_for(lambda: desktop.xdotool("search", "--onlyvisible", "--name",
                                            "^Presence history$"), 10, "the history window")[0]


def history_rows(desktop, tool):
    """`zentrilo-check --history` as (time, id, source, from, to) rows, oldest first."""
    result = subprocess.run([tool, "--history"], env=desktop.env, capture_output=True, text=True,
                            timeout=10)
    check(result.returncode == 0, "--history exited %d: %s" % (result.returncode, result.stderr))
    lines = result.stdout.splitlines()
    check(lines[:1] == ["time,id,source,from,to"], "--history printed %r" % result.stdout)
    return [tuple(line.split(",")) for line in lines[1:]]


def history_has(desktop, tool, count):
    rows = history_rows(desktop, tool)
    return rows if len(rows) >= count else None


def case_history_survives_kill(args):
    """An ID flips against the simulator; kill -9 leaves a history that the next start opens
    and goes on recording, and `zentrilo-check --history` shows both changes in order."""
    with Desktop() as desktop:
        simulator = Simulator(desktop, args.sim, {"bob": "online"})
        watch_settings(desktop, "bob")
        program = Program(desktop, args.binary)
        window = program.wait_shown()[0]
        wait_for(lambda: history_has(desktop, args.check, 1), 15, "bob's first result")
        simulator.set({"bob": "offline"})
        check_all_now(desktop, window)
        wait_for(lambda: history_has(desktop, args.check, 2), 15, "bob's change")
        program.process.kill()
        program.process.wait()

        rows = history_rows(desktop, args.check)
        check([row[1:] for row in rows] == [("bob", "Zentrilo", "NOT SCANNED", "ONLINE"),
                                            ("bob", "Zentrilo", "ONLINE", "OFFLINE")],
              "after kill -9: %r" % rows)
        check(rows[0][0] <= rows[1][0], "out of order: %r" % rows)
        program = Program(desktop, args.binary)
        program.wait_listening()
        # The new run's first result is written even though bob is still offline.
        again = wait_for(lambda: history_has(desktop, args.check, 3), 15, "the new run's result")
        check(again[:2] == rows and again[2][1:] == ("bob", "Zentrilo", "NOT SCANNED", "OFFLINE"),
              "after the restart: %r" % again)
        program.exit_by_line("the start after the kill did not end with 0")


def seed_history(path, ids, now_ms):
    """Two earlier runs over the last day, as the program writes them: the first ended in order,
    the second was killed (its spans end at each entry's last check); nobody checked between."""
    rng = random.Random(19)
    hour = 3600 * 1000
    with sqlite3.connect(path) as db:
        for begin, end, ended in ((23.5, 14.5, True), (12.0, 0.3, False)):
            first, last = now_ms - int(begin * hour), now_ms - int(end * hour)
            run = db.execute("INSERT INTO runs(started, ended) VALUES(?, ?)",
                             (first, last if ended else None)).lastrowid
            for buddy in ids:
                db.execute("INSERT OR IGNORE INTO entries(buddy, source) VALUES(?, 'Zentrilo')",
                           (buddy,))
                entry = db.execute("SELECT id FROM entries WHERE buddy = ?", (buddy,)).fetchone()[0]
                db.execute("INSERT INTO watches(run, entry, first, last) VALUES(?, ?, ?, ?)",
                           (run, entry, first, last))
                status, when = 254, first
                while when < last:
                    new = rng.choice([code for code in (0, 0, 0, 1, 1, 1, 1, 2, 2, 255)
                                     if code != status])
                    db.execute("INSERT INTO changes(time, entry, old, new) VALUES(?, ?, ?, ?)",
                               (when, entry, status, new))
                    status, when = new, when + rng.randint(15, 150) * 60 * 1000


def case_screenshot_history(args):
    """The history window over a day of earlier runs and the running one, saved as an image."""
    ids = ("alice", "bob", "carol", "dave")
    with Desktop() as desktop:
        Simulator(desktop, args.sim, {"alice": "online", "bob": "offline", "carol": "online",
                                      "dave": "offline"})
        watch_settings(desktop, *ids)
        program = Program(desktop, args.binary)
        program.wait_listening()
        wait_for(lambda: history_has(desktop, args.check, len(ids)), 15, "the first results")
        program.exit_by_line("the first run did not end with 0")
        seed_history(desktop.history_file, ids, int(time.time() * 1000))
        program = Program(desktop, args.binary)
        window = program.wait_shown()[0]
        form = open_history_window(desktop, window)
        desktop.xdotool("windowmove", form, "0", "0")
        save_window(desktop, args, form, "zentrilo-history.png")
        program.exit_by_line("did not exit cleanly")


def case_status_balloon_notification(args):
    """Each change is a desktop notification of its own. A click on an online one opens a chat
    with its own buddy through ymsgr:, every time, whatever was notified after it; an offline
    one has an empty title and offers no click. A service that reads markup gets the text
    escaped, so an ID shows as typed."""
    weird = "<i>al</i>"
    with Desktop(bus=True) as desktop:
        service = NotifyDaemon(desktop, args.notifyd, markup=True)
        simulator = Simulator(desktop, args.sim, {"bob": "online", weird: "online"})
        log = install_fake_opener(desktop)
        watch_settings(desktop, "bob", weird)
        program = Program(desktop, args.binary)
        window = program.wait_shown()[0]
        bob, other = service.wait(1), service.wait(2)
        check(bob["title"] == "Click to send bob a message", "title: " + bob["title"])
        check(bob["body"] == "bob is now ONLINE", "text: " + bob["body"])
        check(bob["category"] == "presence.online", "category: " + bob["category"])
        check(bob["timeout"] == 5000 and "default" in bob["actions"], str(bob))
        check(other["title"] == "Click to send %s a message" % weird, "title: " + other["title"])
        check(other["body"] == "&lt;i&gt;al&lt;/i&gt; is now ONLINE", "text: " + other["body"])

        simulator.set({"bob": "offline", weird: "online"})
        check_all_now(desktop, window)
        offline = service.wait(3)
        check(offline["title"] == "", "offline title: " + offline["title"])
        check(offline["body"] == "bob is now OFFLINE", "offline text: " + offline["body"])
        check(offline["category"] == "presence.offline", "category: " + offline["category"])
        check(offline["actions"] == [], "offline actions: %r" % offline["actions"])

        simulator.set({"bob": "online", weird: "offline"})
        check_all_now(desktop, window)
        bob_again = service.wait(4)
        service.wait(5)
        chat = {"bob": "ymsgr:sendim?bob&m=", weird: "ymsgr:sendim?%s&m=" % weird}
        expected = []
        for notification, buddy in ((bob, "bob"), (other, weird), (offline, None), (bob, "bob"),
                                    (other, weird), (bob_again, "bob"), (bob, "bob")):
            service.click(notification)
            if buddy:
                expected.append(chat[buddy])
                wait_for(lambda: len(opened(log)) == len(expected), 10,
                         "click %d to open a chat" % len(expected))
        time.sleep(0.5)
        check(opened(log) == expected, "opened: %r" % opened(log))
        check(program.alive(), "the program ended")


def case_user_source_flips(args):
    """An ID watched through a source the user defined, on loopback in a preset's format: each
    change is a notification that names the source, and a click on an online one opens the
    source's page of the ID."""
    with Desktop(bus=True) as desktop:
        service = NotifyDaemon(desktop, args.notifyd)
        simulator = Simulator(desktop, args.sim, {"bob": "online"})
        log = install_fake_opener(desktop)
        base = "http://" + simulator.address
        os.makedirs(os.path.dirname(desktop.config_file), exist_ok=True)
        with open(desktop.config_file, "w", encoding="utf-8") as f:
            f.write("[%%General]\nCheckForUpdates=0\n\n[Items]\nUser0=bob\nInterval0=1\n"
                    "Source0=Chess\n\n[Sources]\nsize=1\n1\\Name=Chess\n"
                    "1\\Url=%s/api/users/status?ids=%%s\n1\\Rule=json:/0/online\n"
                    "1\\Open=%s/@/%%s\n" % (base, base))
        program = Program(desktop, args.binary)
        window = program.wait_shown()[0]
        online = service.wait(1)
        check(online["title"] == "Click to open bob on Chess", "title: " + online["title"])
        check(online["body"] == "bob is now ONLINE on Chess", "text: " + online["body"])

        simulator.set({"bob": "offline"})
        check_all_now(desktop, window)
        offline = service.wait(2)
        check(offline["body"] == "bob is now OFFLINE on Chess", "text: " + offline["body"])
        check(offline["actions"] == [], "offline actions: %r" % offline["actions"])

        service.click(online)
        wait_for(lambda: opened(log), 10, "the click to open the page")
        check(opened(log) == [base + "/@/bob"], "opened: %r" % opened(log))
        check(program.alive(), "the program ended")


def case_notification_service_started_by_the_bus(args):
    """A notification service that the bus starts on first use is used: three changes found
    at once are three notifications, not one balloon replacing the others."""
    buddies = ("ann", "bob", "cid")
    with tempfile.TemporaryDirectory() as folder:
        log = os.path.join(folder, "notifications")
        service = "%s --no-commands >>%s" % (args.notifyd, log)
        with Desktop(services={"org.freedesktop.Notifications": service}) as desktop:
            Simulator(desktop, args.sim, {buddy: "online" for buddy in buddies})
            watch_settings(desktop, *buddies)
            program = Program(desktop, args.binary)
            program.wait_shown()

            def sent():
                try:
                    with open(log) as f:
                        return [line for line in f if line.startswith("NOTIFY ")]
                except FileNotFoundError:
                    return []
            wait_for(lambda: len(sent()) == 3, 15, "three notifications")
            for line, buddy in zip(sent(), buddies):
                check(line.endswith("|%s is now ONLINE\n" % buddy), "sent: %r" % line)


def case_status_balloon_qt(args):
    """Without a notification service the program's own balloon is shown beside the tray icon,
    never over it: a click on the icon shows the window and opens nothing; a click on the
    balloon opens the chat."""
    with Desktop() as desktop:
        Simulator(desktop, args.sim, {"bob": "online"})
        log = install_fake_opener(desktop)
        watch_settings(desktop, "bob")
        program = Program(desktop, args.binary, "-minimized")
        icon = tray_icon_of(desktop, program)

        def balloon():
            windows = desktop.xdotool("search", "--onlyvisible", "--pid",
                                      str(program.process.pid))
            return [w for w in windows if w != icon]
        window = wait_for(balloon, 15, "the balloon")[0]
        x, y, width, height = geometry_of(desktop, icon)

        def beside_icon():
            bx, by, bwidth, bheight = geometry_of(desktop, window) or (x, y, width, height)
            apart = bx >= x + width or bx + bwidth <= x or by >= y + height or by + bheight <= y
            return apart and abs(bx + bwidth - (x + width)) <= 30
        wait_for(beside_icon, 5, "the balloon beside the icon, clear of it")
        os.makedirs(args.out, exist_ok=True)
        subprocess.run(["import", "-window", "root", os.path.join(args.out, "balloon.png")],
                       env=desktop.env, timeout=20)
        # The icon's middle and its lower part, where a balloon pointing at it would lie.
        desktop.xdotool("mousemove", "--window", icon, str(width // 2), str(height - 4),
                        "click", "1")
        program.wait_shown(10)
        check(opened(log) == [], "a click on the icon ran the balloon's action: %r" % opened(log))
        desktop.xdotool("mousemove", "--window", window, "20", "20", "click", "1")
        wait_for(lambda: opened(log), 10, "the chat window to be opened")
        check(opened(log) == ["ymsgr:sendim?bob&m="], "opened: %r" % opened(log))


def case_changes_at_once_stack_their_balloons(args):
    """Without a notification service, three IDs that change at the same check are three of the
    program's own balloons on screen at once, none over another; the tray menu's "Recent
    changes" lists the three, newest first, and choosing one does what its balloon's click
    does."""
    buddies = ("ann", "bob", "cid")
    with Desktop() as desktop:
        simulator = Simulator(desktop, args.sim, {buddy: "offline" for buddy in buddies})
        log = install_fake_opener(desktop)
        watch_settings(desktop, *buddies)
        program = Program(desktop, args.binary)
        window = program.wait_shown()[0]
        icon = tray_icon_of(desktop, program)
        time.sleep(2)  # the first checks: found offline, nothing to say
        simulator.set({buddy: "online" for buddy in buddies})
        check_all_now(desktop, window)

        def balloons():
            windows = desktop.xdotool("search", "--onlyvisible", "--pid",
                                      str(program.process.pid))
            main = set(desktop.visible_main_window())
            return [w for w in windows if w != icon and w not in main]
        shown = wait_for(lambda: len(balloons()) == 3 and balloons(), 15, "three balloons at once")
        boxes = [geometry_of(desktop, w) for w in shown]
        for i, a in enumerate(boxes):
            for b in boxes[i + 1:]:
                apart = a[0] >= b[0] + b[2] or b[0] >= a[0] + a[2] or \
                    a[1] >= b[1] + b[3] or b[1] >= a[1] + a[3]
                check(apart, "balloons overlap: %r %r" % (a, b))
        os.makedirs(args.out, exist_ok=True)
        subprocess.run(["import", "-window", "root",
                        os.path.join(args.out, "balloons-stacked.png")],
                       env=desktop.env, timeout=20)
        time.sleep(1)  # the round is over: "Check All Now" is enabled again
        # The tray menu: Show, Contacts, Check All Now, Recent changes; in it the third change
        # of the newest first is ann's.
        desktop.xdotool("mousemove", "--window", icon, "4", "4", "click", "3")
        time.sleep(1)
        for key in ("Down", "Down", "Down", "Down", "Right", "Down", "Down", "Return"):
            desktop.xdotool("key", key)
            time.sleep(0.2)
        wait_for(lambda: opened(log), 10, "the chat window of the change chosen")
        check(opened(log) == ["ymsgr:sendim?ann&m="], "opened: %r" % opened(log))


def stored_ids(desktop):
    with open(desktop.config_file, encoding="utf-8") as f:
        lines = f.read().splitlines()
    return [line.split("=", 1)[1] for line in lines if line.startswith("User") and "=" in line]


def case_retired_program_warns_and_exits(args):
    """A settings file with "active" 0: the discontinued warning, then the program ends and
    still saves its list."""
    with Desktop() as desktop:
        Simulator(desktop, args.sim, {"bob": "offline"},
                  settings="[Settings]\nactive=0\n")
        watch_settings(desktop, "bob")
        program = Program(desktop, args.binary)
        box = wait_for(lambda: desktop.xdotool("search", "--onlyvisible", "--name", "^Zentrilo$"),
                       15, "the discontinued warning")[0]
        check(program.alive(), "the program ended before the warning was closed")
        desktop.xdotool("windowactivate", "--sync", box)
        desktop.xdotool("key", "--window", box, "Return")
        check(program.wait_exit() == 0, "the retired program did not end with 0")
        check(stored_ids(desktop)[:1] == ["bob"],
              "the list was not saved: %r" % stored_ids(desktop))


def add_buddy(desktop, window, user):
    # "Add": the first button under the list of the 549 x 488 window.
    desktop.xdotool("mousemove", "--window", window, "45", "328", "click", "1")
    dialog = wait_for(lambda: desktop.xdotool("search", "--onlyvisible", "--name", "^Add$"), 10,
                      "the add dialog")[0]
    desktop.xdotool("windowactivate", "--sync", dialog)
    desktop.xdotool("type", "--delay", "10", user)
    desktop.xdotool("key", "Return")
    wait_for(lambda: not desktop.xdotool("search", "--onlyvisible", "--name", "^Add$"), 10,
             "the add dialog to close")


def case_list_survives_restart(args):
    """Two IDs added through the dialog are there, in order, after a new start: after an exit,
    and after kill -9 too, for every change is on disk at once."""
    for kill in (False, True):
        with Desktop() as desktop:
            Simulator(desktop, args.sim, {})
            watch_settings(desktop, "")
            program = Program(desktop, args.binary)
            window = program.wait_shown()[0]
            program.wait_listening()
            add_buddy(desktop, window, "alice")
            add_buddy(desktop, window, "Carol")
            if kill:
                wait_for(lambda: stored_ids(desktop)[:2] == ["alice", "carol"], 5,
                         "the added IDs on disk")
                program.process.kill()
                program.process.wait()
            else:
                program.exit_by_line("exit line did not end the program with 0")
            check(stored_ids(desktop)[:3] == ["alice", "carol", ""],
                  "saved (kill: %s): %r" % (kill, stored_ids(desktop)))

            again = Program(desktop, args.binary)
            again.wait_shown()
            again.wait_listening()
            again.exit_by_line("second run did not end with 0")
            check(stored_ids(desktop)[:3] == ["alice", "carol", ""],
                  "after a restart (kill: %s): %r" % (kill, stored_ids(desktop)))


def settings_without_language(text):
    """The lines of a settings file but the language, which lives in a group of its own."""
    return [line for line in text.splitlines()
            if line and line != "[General]" and not line.startswith("Language=")]


def read_text(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def case_kill_while_saving(args):
    """kill -9 while the program rewrites its settings (every language click does) leaves the
    old file or the new one, whole, every time; a start after that still saves."""
    with Desktop() as desktop:
        watch_settings(desktop, "bob")
        program = Program(desktop, args.binary)
        program.wait_listening()
        program.exit_by_line("the first run did not end with 0")
        whole = settings_without_language(read_text(desktop.config_file))
        check("User0=bob" in whole, "the first run did not save the list")
        random_delays = random.Random(1027)
        languages = set()
        for run in range(10):
            program = Program(desktop, args.binary)
            window = program.wait_shown()[0]
            # English and Romanian radio buttons, clicked in turn as fast as xdotool can.
            clicks = []
            for _ in range(200):
                clicks += ["mousemove", "--window", window, "284", "432", "click", "1",
                           "mousemove", "--window", window, "356", "432", "click", "1"]
            clicker = desktop.spawn(["xdotool", *clicks], stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
            time.sleep(random_delays.uniform(0.2, 1.0))
            program.process.kill()
            program.process.wait()
            clicker.kill()
            clicker.wait()
            text = read_text(desktop.config_file)
            check(settings_without_language(text) == whole,
                  "run %d left a damaged settings file:\n%s" % (run, text))
            language = [line for line in text.splitlines() if line.startswith("Language=")]
            check(language in (["Language=English"], ["Language=Romana"]),
                  "run %d left the language %r" % (run, language))
            languages.add(language[0])
        check(len(languages) == 2, "the clicks never saved both languages")
        program = Program(desktop, args.binary)
        program.wait_listening()
        program.exit_by_line("the start after the kills did not end with 0")
        check(settings_without_language(read_text(desktop.config_file)) == whole,
              "the start after the kills did not save its settings whole")


class SlowServer:
    """Answers every request with a 404, but only after holding it for `delay` seconds; the
    services named (all by default) point at it."""

    def __init__(self, desktop, delay, services=SERVICES):
        self.delay = delay
        self.held = 0
        self.listener = socket.create_server(("127.0.0.1", 0))
        port = self.listener.getsockname()[1]
        for name in services:
            desktop.env[name] = "127.0.0.1:%d" % port
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        while True:
            connection, _ = self.listener.accept()
            threading.Thread(target=self._answer, args=(connection,), daemon=True).start()

    def _answer(self, connection):
        with connection:
            request = b""
            while b"\r\n\r\n" not in request:
                data = connection.recv(4096)
                if not data:
                    return
                request += data
            self.held += 1
            time.sleep(self.delay)
            connection.sendall(b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")

    def wait_held(self, count):
        wait_for(lambda: self.held >= count, 20, "request %d at the slow server" % count)


SILENT = 3600  # seconds a silent server holds a request: longer than any case


def case_sigterm_during_check(args):
    """SIGTERM while a fetch waits on a silent server ends the program at once. While the remote
    settings are awaited the stored list was never read, so nothing is written over it; once
    the list is loaded, the exit saves it."""
    for loaded in (False, True):
        with Desktop() as desktop:
            if loaded:  # the settings come; the presence services stay silent
                Simulator(desktop, args.sim, {})
                server = SlowServer(desktop, SILENT, SERVICES[2:])
            else:
                server = SlowServer(desktop, SILENT)
            watch_settings(desktop, "bob")
            before = read_text(desktop.config_file)
            program = Program(desktop, args.binary)
            program.wait_shown()
            server.wait_held(1)  # the settings file, or bob's first check
            signalled = time.monotonic()
            program.process.send_signal(signal.SIGTERM)
            check(program.wait_exit(5) == 0, "SIGTERM during a fetch did not end with 0")
            took = time.monotonic() - signalled
            print("ended %.2f s after SIGTERM (list %s)" % (took, "loaded" if loaded else "unread"))
            check(took < 2, "SIGTERM during a fetch took %.2f s" % took)
            saved = read_text(desktop.config_file)
            if loaded:
                check("User0=bob" in saved and "CloseToTray" in saved,
                      "the list was not saved at the exit:\n" + saved)
            else:
                check(saved == before, "an exit before the list was read wrote:\n" + saved)


def case_silent_services_never_freeze(args):
    """Every service accepts and never answers: the window shows at once, a language switch
    takes effect at once, Exit ends the program at once, and the list file still holds the
    list."""
    with Desktop() as desktop:
        SlowServer(desktop, SILENT)
        watch_settings(desktop, "alice", "bob", "carol")
        before = read_text(desktop.config_file)
        started = time.monotonic()
        program = Program(desktop, args.binary)
        window = program.wait_shown(5)[0]
        shown = time.monotonic() - started
        tray_icon_of(desktop, program)
        print("window visible after %.2f s, tray icon after %.2f s"
              % (shown, time.monotonic() - started))
        check(shown < 1, "the window took %.2f s to show" % shown)

        # A click on "Română" acts when the button is released; timed from the release.
        desktop.xdotool("mousemove", "--window", window, "356", "432", "mousedown", "1")
        released = time.monotonic()
        desktop.xdotool("mouseup", "1")
        while "Language=Romana" not in read_text(desktop.config_file):
            check(time.monotonic() - released < 5, "the language switch never came")
            time.sleep(0.005)
        switched = time.monotonic() - released
        print("language switched %.3f s after the click" % switched)
        check(switched < 0.2, "the language switch took %.3f s" % switched)

        desktop.xdotool("mousemove", "--window", window, "491", "370", "mousedown", "1")  # Exit
        exiting = time.monotonic()
        desktop.xdotool("mouseup", "1")
        check(program.wait_exit(5) == 0, "Exit did not end the program with 0")
        took = time.monotonic() - exiting
        print("ended %.2f s after Exit" % took)
        check(took < 2, "Exit took %.2f s" % took)
        # The language is written at its click, which may reorder the file's lines.
        check(sorted(settings_without_language(read_text(desktop.config_file)))
              == sorted(settings_without_language(before)),
              "the list file changed:\n" + read_text(desktop.config_file))


def fill(path):
    """Writes zeros to `path` until the file system is full."""
    fd = os.open(path, os.O_WRONLY | os.O_CREAT, 0o600)
    try:
        while os.write(fd, b"\0" * 4096) > 0:
            pass
    except OSError:
        pass
    finally:
        os.close(fd)


def case_full_disk_keeps_settings(args):
    """The settings folder on a small file system that is full: the save at exit fails, the
    file on disk stays as it was, and nothing is left behind; with room again it saves."""
    with Desktop() as desktop:
        folder = os.path.dirname(desktop.config_file)
        os.makedirs(folder)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k,mode=0700",
                                  "zentrilo-e2e", folder], capture_output=True)
        if mounted.returncode != 0:
            print("SKIP: cannot mount a small file system here")
            sys.exit(SKIPPED)
        try:
            watch_settings(desktop, "bob")
            before = read_text(desktop.config_file)
            fill(os.path.join(folder, "filler"))
            program = Program(desktop, args.binary, stderr=subprocess.PIPE, text=True)
            program.wait_listening()
            send(desktop, b"1027\n")
            program.wait_exit()
            warning = program.process.stderr.read()
            check("could not save the settings to " + desktop.config_file in warning,
                  "the failed save was not reported: %r" % warning)
            check(read_text(desktop.config_file) == before,
                  "the failed save changed the settings file")
            check(sorted(os.listdir(folder)) == ["Zentrilo.conf", "filler"],
                  "the failed save left %r" % sorted(os.listdir(folder)))
            os.remove(os.path.join(folder, "filler"))
            program = Program(desktop, args.binary)
            program.wait_listening()
            program.exit_by_line("the run with room did not end with 0")
            saved = read_text(desktop.config_file)
            check("User0=bob" in saved and "CloseToTray" in saved,
                  "the run with room did not save:\n" + saved)
        finally:
            subprocess.run(["umount", "-l", folder])


def connect_as(path, uid):
    """Tries to connect to the socket at `path` as user `uid`; returns the errno or 0."""
    child = os.fork()
    if child == 0:
        code = 0
        try:
            os.setgroups([])
            os.setgid(uid)
            os.setuid(uid)
            with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
                s.connect(path)
        except OSError as error:
            code = error.errno or 255
        os._exit(code)
    return os.waitstatus_to_exitcode(os.waitpid(child, 0)[1])


def case_socket_private_to_user(args):
    """The socket is 0600 in a 0700 folder of the user's; another user cannot connect even
    where every folder above lets them through."""
    with Desktop() as desktop:
        program = Program(desktop, args.binary, "-minimized")
        program.wait_listening()
        folder = os.path.dirname(desktop.socket_path)
        check(os.stat(folder).st_mode & 0o777 == 0o700, "folder mode %o" % os.stat(folder).st_mode)
        check(os.stat(desktop.socket_path).st_mode & 0o777 == 0o600, "socket mode %o"
              % os.stat(desktop.socket_path).st_mode)
        check(os.stat(folder).st_uid == os.getuid(), "the folder is not the user's")
        if os.getuid() == 0:
            for d in (desktop.root, desktop.env["XDG_RUNTIME_DIR"]):
                os.chmod(d, 0o755)
            nobody = 65534
            check(connect_as(desktop.socket_path, nobody) == errno.EACCES,
                  "another user reached the socket")
            program.exit_by_line("the owner's exit line was not obeyed")


def case_socket_survives_garbage(args):
    """1000 garbage connections in a row and 20 clients that connect and never write: the
    program goes on, and an exit line from the next client still ends it at once."""
    with Desktop() as desktop:
        program = Program(desktop, args.binary)
        program.wait_shown()
        program.wait_listening()
        random_bytes = random.Random(403)
        near_misses = [b"hello\n", b"1028\n", b"1027 \n", b"x" * 5000, b"\x00\xff\n", b"1027"]
        for i in range(1000):
            junk = near_misses[i] if i < len(near_misses) else bytes(
                random_bytes.randrange(256) for _ in range(random_bytes.randrange(200)))
            with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
                s.connect(desktop.socket_path)
                try:
                    s.sendall(junk)
                except ConnectionError:
                    pass  # dropped for a line too long: that is the program's right
        check(program.alive() and desktop.visible_main_window(), "garbage changed something")
        silent = []
        for _ in range(20):
            s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            s.connect(desktop.socket_path)
            silent.append(s)
        started = time.monotonic()
        program.exit_by_line("the exit line after the garbage was not obeyed")
        check(time.monotonic() - started < 2, "silent clients held up the exit line")
        for s in silent:
            s.close()


# ---- driver ----------------------------------------------------------------------------------

CASES = {name[len("case_"):]: f for name, f in globals().items() if name.startswith("case_")}


def main():
    if sys.argv[1:] == ["--list"]:  # the build registers one test per case from this
        print("\n".join(CASES))
        return 0
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--binary", required=True)
    parser.add_argument("--out", default=os.getcwd())
    parser.add_argument("--sim")
    parser.add_argument("--notifyd")
    parser.add_argument("--check")
    args = parser.parse_args()
    args.binary = os.path.abspath(args.binary)
    try:
        CASES[args.case](args)
    except Failure as failure:
        print("FAIL: " + str(failure), file=sys.stderr)
        return 1
    print("PASS: " + args.case)
    return 0


if __name__ == "__main__":
    sys.exit(main())
