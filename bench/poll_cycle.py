#!/usr/bin/env python3
"""Measures qor-etc polling live data from qor-etc-sim on a pseudo-terminal, in real time.

Reports:
  - time from starting qor-etc to the first 'V' the simulator receives,
  - CPU share of qor-etc over the polling window (user + system time / wall time),
  - its peak resident set size (VmHWM),
  - median and spread of the interval between '*' requests as the simulator saw them.

Usage: bench/poll_cycle.py [--bin build/bin] [--seconds 60]
"""
import argparse
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])  # utime + stime
    return ticks / os.sysconf("SC_CLK_TCK")


def peak_rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return -1


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default="build/bin")
    ap.add_argument("--seconds", type=float, default=60.0)
    ap.add_argument("--settle", type=float, default=5.0, help="seconds before the window starts")
    a = ap.parse_args()

    log = tempfile.NamedTemporaryFile(prefix="qor-poll-", suffix=".log", delete=False).name
    t_sim = time.monotonic()
    sim = subprocess.Popen([os.path.join(a.bin, "qor-etc-sim"), "--log", log],
                           stdout=subprocess.PIPE, text=True)
    device = sim.stdout.readline().strip()
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    t_tool = time.monotonic()
    tool = subprocess.Popen([os.path.join(a.bin, "qor-etc"), "-O", "--port", device], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(a.settle)
        c0, w0 = cpu_seconds(tool.pid), time.monotonic()
        time.sleep(a.seconds)
        c1, w1 = cpu_seconds(tool.pid), time.monotonic()
        rss = peak_rss_kib(tool.pid)
    finally:
        tool.send_signal(signal.SIGTERM)
        tool.wait(timeout=10)
        sim.send_signal(signal.SIGTERM)
        sim.wait(timeout=10)

    first_v = None
    stars = []
    with open(log) as f:
        for line in f:
            parts = line.split()
            if len(parts) < 4 or parts[2] != "rx":
                continue
            ms, baud, data = float(parts[0]), int(parts[1]), "".join(parts[3:]).lower()
            if first_v is None and data.startswith("56"):
                first_v = ms
            if data == "2a" and baud == 115200:
                stars.append(ms)
    os.unlink(log)

    offset_ms = (t_tool - t_sim) * 1000.0
    print(f"simulator log: {log} (deleted); tool started {offset_ms:.1f} ms after the simulator")
    if first_v is not None:
        print(f"start -> first 'V' on the wire: {first_v - offset_ms:.0f} ms "
              "(simulator clock; includes the simulator's own start-up jitter of a few ms)")
    window = [t for t in stars if t >= (offset_ms + a.settle * 1000.0)]
    gaps = [b - a_ for a_, b in zip(window, window[1:])]
    print(f"CPU share over {w1 - w0:.1f} s of polling: {100.0 * (c1 - c0) / (w1 - w0):.2f} % of a core")
    print(f"peak RSS: {rss / 1024.0:.1f} MiB")
    if len(gaps) >= 2:
        q = statistics.quantiles(gaps, n=100)
        print(f"'*' requests: {len(window)}; interval median {statistics.median(gaps):.1f} ms, "
              f"p1 {q[0]:.1f}, p99 {q[98]:.1f}, min {min(gaps):.1f}, max {max(gaps):.1f}, "
              f"stdev {statistics.pstdev(gaps):.2f} ms")
    else:
        print("no '*' requests at 115200 baud were seen", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
