#!/usr/bin/env python3
"""A site of real rooms at the window: N copies of the timer (default 20) under one Xvfb, each
with a settings folder of its own and its link in [site], on a mosquitto broker made as a
site's is (password file, the package's ACL), and the exam office played by mosquitto_pub and
mosquitto_sub as office1. Not a test: it prints figures.

  1. the plan (retained): one session of 10 minutes starting at a whole second 20 s ahead;
     every room starts it from its own clock. Reported: the spread of the instants the rooms
     report their count started (the report's "at"), and whether they all show one digit.
  2. a pause order (retained desired, each room its own) at a whole second 5 s ahead: the
     digits each room shows paused. Reported: how many different values (1: one digit).
  3. CPU: user + system time of the broker and of each room over MINUTES (default 10) of the
     running count, as a share of one core.

  bench/site_rooms.py BUILD_DIR [ROOMS] [MINUTES]
"""
import datetime
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

SRC = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(SRC, "build"))
ROOMS = ["R%03d" % (i + 1) for i in range(int(sys.argv[2]) if len(sys.argv) > 2 else 20)]
MINUTES = float(sys.argv[3]) if len(sys.argv) > 3 else 10.0
SITE = "bench"
TICK = os.sysconf("SC_CLK_TCK")
procs = []


def iso(ms):
    t = datetime.datetime.fromtimestamp(ms / 1000, datetime.timezone.utc)
    return t.strftime("%Y-%m-%dT%H:%M:%S.") + "%03d+00:00" % (ms % 1000)


def from_iso(text):
    return datetime.datetime.fromisoformat(text).timestamp() * 1000


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def start(args, **kw):
    p = subprocess.Popen(args, **kw)
    procs.append(p)
    return p


def main():
    tmp = tempfile.mkdtemp(prefix="kvtmr-site-bench.")
    os.chmod(tmp, 0o700)
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    pw = {u: "%s-pw" % u for u in ["office1"] + ROOMS}
    passwd = os.path.join(tmp, "kvtmr.passwd")
    for i, (user, word) in enumerate(pw.items()):
        subprocess.run(["mosquitto_passwd"] + (["-c"] if i == 0 else []) + ["-b", passwd, user, word],
                       check=True)
    with open(os.path.join(SRC, "packaging/site/kvtmr.acl")) as f:
        acl = f.read().replace("SITE", SITE)
    with open(os.path.join(tmp, "kvtmr.acl"), "w") as f:
        f.write(acl)
    conf = os.path.join(tmp, "mosquitto.conf")
    with open(conf, "w") as f:
        f.write("allow_anonymous false\npassword_file %s\nacl_file %s\nlistener %d 127.0.0.1\n"
                "use_username_as_clientid true\nmax_packet_size 131072\n" % (passwd, os.path.join(tmp, "kvtmr.acl"), port))
        if os.getuid() == 0:
            f.write("user root\n")
    broker = start([shutil.which("mosquitto") or "/usr/sbin/mosquitto", "-c", conf],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), 0.2).close()
            break
        except OSError:
            time.sleep(0.1)
    xfd = os.path.join(tmp, "display")
    with open(xfd, "w") as f:
        start(["Xvfb", "-displayfd", str(f.fileno()), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
              pass_fds=(f.fileno(),), stderr=subprocess.DEVNULL)
    for _ in range(100):
        if open(xfd).read().strip():
            break
        time.sleep(0.1)
    display = ":" + open(xfd).read().strip()
    topic = "kvtmr/v1/%s/" % SITE
    sub_log = os.path.join(tmp, "reports.txt")
    sub = start(["mosquitto_sub", "-h", "127.0.0.1", "-p", str(port), "-u", "office1", "-P", pw["office1"],
                 "-i", "office1", "-v", "-t", topic + "room/+/reported"], stdout=open(sub_log, "w"))
    rooms = {}
    for room in ROOMS:
        home = os.path.join(tmp, room)
        os.makedirs(os.path.join(home, "config"))
        os.makedirs(os.path.join(home, "run"), mode=0o700)
        with open(os.path.join(home, "config", "kvtmr-options.ini"), "w") as f:
            f.write("[site]\nenabled=true\nhost=127.0.0.1\nport=%d\nsite=%s\nroom=%s\npassword=%s\n"
                    % (port, SITE, room, pw[room]))
        env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"), XDG_RUNTIME_DIR=os.path.join(home, "run"),
                   PULSE_SERVER="unix:/nonexistent", HOME=home)
        rooms[room] = start([os.path.join(BUILD, "src/app/kvtmr")], env=env, cwd=home,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    print("site_rooms: %d rooms, broker on 127.0.0.1:%d, Xvfb %s, files in %s" % (len(ROOMS), port, display, tmp))
    time.sleep(15)  # every room up, its first-start file written and its link open

    def pub(t, payload, retain=True):
        subprocess.run(["mosquitto_pub", "-h", "127.0.0.1", "-p", str(port), "-u", "office1", "-P",
                        pw["office1"], "-i", "office1-pub", "-q", "1"] + (["-r"] if retain else [])
                       + ["-t", topic + t, "-m", payload], check=True)

    start_ms = (int(time.time()) + 20) * 1000
    pub("plan", json.dumps({"v": 1, "rev": 1, "by": "office1", "sessions": [
        {"id": "bench", "title": "基准", "start": iso(start_ms), "duration": 3600, "prep": 0,
         "warning": 0, "interval": 0, "rooms": ["*"]}]}, ensure_ascii=False))
    time.sleep((start_ms / 1000 - time.time()) + 3)

    def reports():
        out = []
        for line in open(sub_log, encoding="utf-8", errors="replace"):
            m = re.match(r"(\S+) (.*)", line)
            if m:
                try:
                    out.append(json.loads(m.group(2)))
                except ValueError:
                    pass
        return out

    started = {}
    for r in reports():
        a = r.get("anchor", {})
        if a.get("phase") == "main" and not a.get("paused") and r["room"] not in started:
            started[r["room"]] = from_iso(r["at"])
    if started:
        late = sorted(t - start_ms for t in started.values())
        print("site_rooms: %d of %d rooms started the plan's session; spread %.0f ms; late by median %.0f ms, max %.0f ms"
              % (len(started), len(ROOMS), late[-1] - late[0], late[len(late) // 2], late[-1]))
    else:
        print("site_rooms: no room reported the plan's session started")

    before = {room: cpu_ticks(p.pid) for room, p in rooms.items()}
    broker_before, t0 = cpu_ticks(broker.pid), time.time()
    time.sleep(MINUTES * 60)
    elapsed = time.time() - t0
    shares = sorted(100.0 * (cpu_ticks(p.pid) - before[room]) / TICK / elapsed for room, p in rooms.items())
    print("site_rooms: CPU over %.1f min: broker %.2f %% of a core; rooms median %.2f %%, max %.2f %%"
          % (elapsed / 60, 100.0 * (cpu_ticks(broker.pid) - broker_before) / TICK / elapsed,
             shares[len(shares) // 2], shares[-1]))

    pause_ms = (int(time.time()) + 5) * 1000
    value = 3600 - (pause_ms - start_ms) // 1000
    for i, room in enumerate(ROOMS):
        pub("room/%s/desired" % room, json.dumps({"v": 1, "rev": 1, "by": "office1", "why": "基准暂停", "anchor": {
            "phase": "main", "countUp": False, "duration": 3600, "value": value, "at": iso(pause_ms),
            "paused": True, "session": "bench"}}, ensure_ascii=False))
    time.sleep(pause_ms / 1000 - time.time() + 3)
    shown = {}
    for r in reports():
        a = r.get("anchor", {})
        if a.get("paused") and r.get("appliedRev") == 1:
            shown[r["room"]] = r.get("shown")
    print("site_rooms: %d of %d rooms paused; values shown: %s (want one, %02d∶%02d∶%02d)"
          % (len(shown), len(ROOMS), sorted(set(shown.values())), value // 3600, value // 60 % 60, value % 60))


try:
    main()
finally:
    for p in reversed(procs):
        p.send_signal(signal.SIGTERM)
    for p in procs:
        try:
            p.wait(10)
        except subprocess.TimeoutExpired:
            p.kill()
