"""A TCP proxy on 127.0.0.1 that delays every byte by half the given round trip in each
direction, keeping order and bandwidth: what a server that far away looks like.

    python3 tools/latency_proxy.py LISTEN_PORT TARGET_HOST TARGET_PORT [ROUND_TRIP_MS]

Prints "listening on PORT" when ready (port 0 picks a free one); stops on SIGTERM or Ctrl-C.
"""
import asyncio
import signal
import sys


async def pump(reader, writer, delay):
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def deliver():
        while True:
            due, data = await queue.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if data is None:
                try:
                    writer.write_eof()
                except (OSError, RuntimeError):
                    pass
                return
            writer.write(data)
            await writer.drain()

    task = asyncio.ensure_future(deliver())
    try:
        while True:
            data = await reader.read(65536)
            queue.put_nowait((loop.time() + delay, data if data else None))
            if not data:
                break
        await task
    except (ConnectionError, OSError):
        task.cancel()
    finally:
        try:
            writer.close()
        except Exception:
            pass


async def main():
    listen_port, host, port = int(sys.argv[1]), sys.argv[2], int(sys.argv[3])
    delay = (float(sys.argv[4]) if len(sys.argv) > 4 else 20.0) / 2000.0

    async def handle(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection(host, port)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(pump(client_reader, server_writer, delay),
                             pump(server_reader, client_writer, delay), return_exceptions=True)

    server = await asyncio.start_server(handle, "127.0.0.1", listen_port)
    print("listening on %d" % server.sockets[0].getsockname()[1], flush=True)
    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    for s in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(s, stop.set)
    async with server:
        await stop.wait()


if __name__ == "__main__":
    asyncio.run(main())
