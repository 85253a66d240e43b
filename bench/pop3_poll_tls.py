"""The change poll of tls_poll.cpp driven by Python's poplib over TLS (POP3_SSL), as the peer
figure: the same commands, the server's certificate checked against the test authority."""
import os
import poplib
import ssl
import sys
import time


def poll(context):
    p = poplib.POP3_SSL("localhost", int(os.environ["SKIMBAR_POP3S_PORT"]), timeout=60, context=context)
    p.user(os.environ["SKIMBAR_POP3_USER"])
    p.pass_(os.environ["SKIMBAR_POP3_PASS"])
    count, _ = p.stat()
    p.top(1, 0)
    for i in range(1, count + 1):
        p.top(i, 0)
        p.list(i)
    p.sock.sendall(b"Quit\r\n")
    p.close()
    return count


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    context = ssl.create_default_context(cafile=os.environ["SKIMBAR_POP3_CA"])
    times = []
    for _ in range(rounds):
        start = time.perf_counter()
        count = poll(context)
        times.append(time.perf_counter() - start)
    times.sort()
    # The last line is read by tls_poll: the median in milliseconds.
    print("poplib POP3_SSL: change poll of %d messages: median %.1f ms (min %.1f, max %.1f)"
          % (count, times[len(times) // 2] * 1e3, times[0] * 1e3, times[-1] * 1e3))
    print("%.3f" % (times[len(times) // 2] * 1e3))


if __name__ == "__main__":
    main()
