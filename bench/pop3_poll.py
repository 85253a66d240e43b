"""The poll of pop3_poll.cpp driven by Python's poplib, as the peer figure."""
import os
import poplib
import sys
import time


def poll():
    p = poplib.POP3(os.environ["SKIMBAR_POP3_HOST"], int(os.environ["SKIMBAR_POP3_PORT"]), timeout=60)
    p.user(os.environ["SKIMBAR_POP3_USER"])
    p.pass_(os.environ["SKIMBAR_POP3_PASS"])
    count, _ = p.stat()
    p.top(1, 0)
    listed = 0
    for i in range(1, count + 1):
        p.top(i, 0)
        listed += int(p.list(i).split()[2])
    # "Quit" without waiting for its answer, as the program does.
    p.sock.sendall(b"Quit\r\n")
    p.close()
    return count, listed


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    times = []
    for _ in range(rounds):
        start = time.perf_counter()
        count, listed = poll()
        times.append(time.perf_counter() - start)
    times.sort()
    print("Python poplib:               full poll of %d messages (%d bytes listed): median %.1f ms (min %.1f, max %.1f)"
          % (count, listed, times[len(times) // 2] * 1e3, times[0] * 1e3, times[-1] * 1e3))


if __name__ == "__main__":
    main()
