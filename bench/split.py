#!/usr/bin/env python3
"""Splits one install.exe run's wall time from a Wine relay trace.

    split.py TRACE INSTALL_EXE PID WALL_MS

TRACE is the stderr of a run with WINEDEBUG=+timestamp,+pid,+relay and RelayInclude naming the
OS calls install.exe makes (bench.sh sets it). Only calls made directly from install.exe's own
image (return address inside it) on its main thread count; calls those make in turn are part of
them. Prints, tab-separated, one "name<TAB>ms" a line:

  child    CreateProcessW and the waits without time limit on the child (the installer
           starts each rundll32 child and waits for it to end)
  waits    Sleep and the timed waits (service stop/start polls, the 5 ms polls on the port
           dialog's worker thread)
  oscalls  every other OS call (spooler, service manager, window manager, files)
  owncode  the rest of the span from its first to its last OS call: its own code
  startup  wall minus that span: Wine starting and ending the process (loader, DLL set-up
           before WinMain and after it returns)
  calls    number of OS calls counted
  oscall   NAME COUNT MS: the five OS calls that took longest in all

Relay timestamps have 1 ms resolution; over many calls the truncation errors average out
(each interval is measured without bias), and the time Wine spends printing a Ret line lands
in the owncode gap that follows it, so owncode is an upper bound.
"""
import re
import struct
import sys

LINE = re.compile(r'^(\d+\.\d+):([0-9a-f]{4}):([0-9a-f]{4}):(Call|Ret)\s+([\w.]+)\((.*?)\)?'
                  r'(?: retval=\w+)? ret=([0-9a-f]+)$')


def image_range(path):
    with open(path, 'rb') as f:
        data = f.read(4096)
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    opt = pe + 24
    base = struct.unpack_from('<Q', data, opt + 24)[0]
    size = struct.unpack_from('<I', data, opt + 56)[0]
    return base, base + size


def main():
    trace, exe, pid, wall = sys.argv[1], sys.argv[2], int(sys.argv[3]), float(sys.argv[4])
    lo, hi = image_range(exe)
    want = '%04x' % pid
    main_tid = None
    stack = []
    sums = {'child': 0.0, 'waits': 0.0, 'oscalls': 0.0}
    by_call = {}
    calls = 0
    first = last = None
    with open(trace, encoding='utf-8', errors='replace') as f:
        for raw in f:
            m = LINE.match(raw.rstrip('\n'))
            if not m or m.group(2) != want:
                continue
            t, tid, kind, func, args, ret = (float(m.group(1)) * 1000.0, m.group(3), m.group(4),
                                              m.group(5), m.group(6), int(m.group(7), 16))
            if not lo <= ret < hi:
                continue
            # The first call from the image is the run's first step, on the main thread.
            if main_tid is None:
                main_tid = tid
            if tid != main_tid:
                continue
            if kind == 'Call':
                stack.append((func, ret, t, args))
                if first is None:
                    first = t
                continue
            if not stack or stack[-1][0] != func or stack[-1][1] != ret:
                sys.exit('split.py: unmatched Ret at ' + raw.strip())
            _, _, start, cargs = stack.pop()
            last = t
            calls += 1
            name = func.split('.')[-1]
            timeout = cargs.split(',')[-1].strip() if name == 'WaitForSingleObject' else ''
            if name == 'CreateProcessW' or timeout == 'ffffffff':
                sums['child'] += t - start
            elif name == 'Sleep' or name == 'WaitForSingleObject':
                sums['waits'] += t - start
            else:
                sums['oscalls'] += t - start
                count, total = by_call.get(name, (0, 0.0))
                by_call[name] = (count + 1, total + t - start)
    if first is None:
        sys.exit('split.py: no call from %s (pid %d) in the trace' % (exe, pid))
    span = last - first
    print('child\t%.1f' % sums['child'])
    print('waits\t%.1f' % sums['waits'])
    print('oscalls\t%.1f' % sums['oscalls'])
    print('owncode\t%.1f' % (span - sum(sums.values())))
    print('startup\t%.1f' % (wall - span))
    print('calls\t%d' % calls)
    # The OS calls that cost most, for the reader of the figures.
    for name, (count, total) in sorted(by_call.items(), key=lambda kv: -kv[1][1])[:5]:
        print('oscall\t%s\t%d\t%.1f' % (name, count, total))


if __name__ == '__main__':
    main()
