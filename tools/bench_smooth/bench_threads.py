#!/usr/bin/env python3
"""Where the processor time went during the longest gaps of a bench_smooth run.

  bench_threads.py sample FILE      samples every thread of the machine every
                                    0.2 s into FILE until killed
  bench_threads.py report FILE OUT [MS]
                                    reads bench_smooth's output OUT and prints,
                                    for each of its longest gaps over MS
                                    milliseconds (default 1000), the
                                    threads that ran in it (processor time and
                                    the share of samples in which each was
                                    runnable) and how many were blocked in the
                                    kernel (state D)
"""
import glob
import os
import re
import sys
import time

TICK = os.sysconf("SC_CLK_TCK")


def sample(path):
    with open(path, "w") as out:
        while True:
            now = time.time()
            rows = []
            for stat in glob.glob("/proc/[0-9]*/task/[0-9]*/stat"):
                try:
                    with open(stat) as f:
                        text = f.read()
                except OSError:
                    continue
                # comm may hold blanks: it is the text between the outer brackets
                left, right = text.index("("), text.rindex(")")
                comm = text[left + 1:right].replace(" ", "_")
                fields = text[right + 2:].split()
                pid = stat.split("/")[2]
                tid = text[:left].strip()
                rows.append(f"{tid} {pid} {comm} {fields[0]} {int(fields[11]) + int(fields[12])}")
            out.write(f"T {now:.3f}\n" + "\n".join(rows) + "\n")
            out.flush()
            time.sleep(0.2)


def report(path, bench_out, shortest_ms):
    text = open(bench_out).read()
    m = re.search(r"answer at unix time ([0-9.]+)", text)
    if not m:
        print("no answer time in the benchmark's output")
        return
    answered = float(m.group(1))
    gaps = [(float(a), float(b)) for a, b in re.findall(r"^\s+([0-9.]+) ms ending\s+([0-9.]+) s after", text, re.M)]
    samples = []  # (time, {tid: (pid, comm, state, ticks)})
    current = None
    for line in open(path):
        if line.startswith("T "):
            current = {}
            samples.append((float(line[2:]), current))
        elif current is not None:
            tid, pid, comm, state, ticks = line.split()
            current[tid] = (pid, comm, state, int(ticks))
    names = {}
    for _, rows in samples:
        for tid, (pid, comm, _, _) in rows.items():
            names[tid] = (pid, comm)
    procs = {}
    for tid, (pid, comm) in names.items():
        if tid == pid:
            procs[pid] = comm
    for length_ms, end in gaps:
        if length_ms < shortest_ms:
            continue
        t1 = answered + end
        t0 = t1 - length_ms / 1000
        inside = [s for s in samples if t0 <= s[0] <= t1]
        if len(inside) < 2:
            print(f"gap of {length_ms:.0f} ms at {end:.2f} s: too few samples")
            continue
        first, last = inside[0][1], inside[-1][1]
        span = inside[-1][0] - inside[0][0]
        print(f"gap of {length_ms:.0f} ms ending {end:.2f} s after the answer: {len(inside)} samples over {span:.2f} s")
        used = []
        for tid, (pid, comm, _, ticks) in last.items():
            if tid in first:
                busy = (ticks - first[tid][3]) / TICK
                running = sum(1 for _, rows in inside if rows.get(tid, ("", "", ""))[2] == "R")
                blocked = sum(1 for _, rows in inside if rows.get(tid, ("", "", ""))[2] == "D")
                used.append((busy, running, blocked, tid, pid, comm))
        used.sort(reverse=True)
        total = sum(u[0] for u in used)
        print(f"  processor time of every thread together: {total:.2f} s of {2 * span:.2f} s on two cores")
        for busy, running, blocked, tid, pid, comm in used[:8]:
            print(f"  {busy:6.2f} s  runnable in {running:2d}/{len(inside)} samples"
                  f"{f', in the kernel (D) in {blocked}' if blocked else ''}"
                  f"  thread {tid} {comm} of {pid} {procs.get(pid, '?')}")


if __name__ == "__main__":
    if sys.argv[1] == "sample":
        sample(sys.argv[2])
    else:
        report(sys.argv[2], sys.argv[3], float(sys.argv[4]) if len(sys.argv) > 4 else 1000)
