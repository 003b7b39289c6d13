#!/usr/bin/env python3
"""What one FastCGI request costs a worker: instructions (callgrind) and system calls
(strace -c -f), counted over two runs of the same worker, one serving FEW requests and one
serving FEW + MANY, so that the difference divided by MANY is one request without the
worker's start and end.

  tools/fastcgi-request-cost.py WORKER [--registry DIR] [--env NAME=VALUE ...]
                                [--few 20] [--many 200] [--query QUERY]

The worker is started as a web server starts it: with a listening socket on standard
input. Each request comes on a connection of its own with the parameters lighttpd sends
for a GET, as lighttpd's FastCGI module does. The README's benchmark section runs it for the
gateway (both modes) and the libfcgi floor."""
import argparse
import os
import re
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time


def record(kind, request_id, content):
    padding = (8 - len(content) % 8) % 8
    return struct.pack(">BBHHBB", 1, kind, request_id, len(content), padding, 0) + content + b"\0" * padding


def pair(name, value):
    def length(n):
        return bytes([n]) if n < 128 else struct.pack(">I", n | 0x80000000)
    return length(len(name)) + length(len(value)) + name + value


def request_bytes(query):
    params = {
        "CONTENT_LENGTH": "0", "QUERY_STRING": query, "REQUEST_URI": "/fcgi/quillmate?" + query,
        "REDIRECT_STATUS": "200", "SCRIPT_NAME": "/fcgi/quillmate", "SCRIPT_FILENAME": "/srv/docs/fcgi/quillmate",
        "DOCUMENT_URI": "/fcgi/quillmate", "DOCUMENT_ROOT": "/srv/docs", "SYSTEM_ROOT": "",
        "SERVER_SOFTWARE": "lighttpd/1.4", "SERVER_NAME": "127.0.0.1", "GATEWAY_INTERFACE": "CGI/1.1",
        "REQUEST_SCHEME": "http", "SERVER_PORT": "8080", "SERVER_ADDR": "127.0.0.1", "REMOTE_ADDR": "127.0.0.1",
        "REMOTE_PORT": "51234", "REQUEST_METHOD": "GET", "SERVER_PROTOCOL": "HTTP/1.1",
        "HTTP_HOST": "127.0.0.1:8080", "HTTP_USER_AGENT": "bench", "HTTP_ACCEPT": "*/*",
    }
    body = b"".join(pair(k.encode(), v.encode()) for k, v in params.items())
    return (record(1, 1, struct.pack(">HB5x", 1, 0)) + record(4, 1, body) + record(4, 1, b"")
            + record(5, 1, b""))


def serve(path, count, head):
    for _ in range(count):
        s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        for _ in range(2000):
            try:
                s.connect(path)
                break
            except OSError:
                time.sleep(0.01)
        s.sendall(head)
        data = b""
        while True:
            got = s.recv(65536)
            if not got:
                break
            data += got
            if b"\x01\x03\x00\x01\x00\x08" in data:  # END_REQUEST of request 1
                break
        s.close()


def run(tool, worker, env, count, head, work):
    path = os.path.join(work, "worker.socket")
    if os.path.exists(path):
        os.unlink(path)
    listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    listener.bind(path)
    listener.listen(16)
    out = os.path.join(work, "out")
    if tool == "callgrind":
        command = ["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out, worker]
    else:
        command = ["strace", "-f", "-c", "-o", out, worker]
    child = subprocess.Popen(command, stdin=listener.fileno(), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL, env=env, start_new_session=True)
    listener.close()
    serve(path, count, head)
    time.sleep(0.2)
    # Under strace the worker is strace's child: the worker itself is asked to stop.
    target = child.pid
    if tool == "strace":
        with open(f"/proc/{child.pid}/task/{child.pid}/children") as children:
            target = int(children.read().split()[0])
    os.kill(target, signal.SIGTERM)
    try:
        child.wait(timeout=30)
    except subprocess.TimeoutExpired:
        child.kill()
        child.wait()
    text = open(out).read()
    if tool == "callgrind":
        return {"instructions": int(re.search(r"^summary: (\d+)", text, re.M).group(1))}
    calls = {}
    for line in text.splitlines():
        fields = line.split()
        if len(fields) >= 5 and fields[-1] not in ("syscall", "total") and fields[3].isdigit():
            calls[fields[-1]] = int(fields[3])
    return calls


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("worker")
    parser.add_argument("--registry")
    parser.add_argument("--env", action="append", default=[])
    parser.add_argument("--few", type=int, default=20)
    parser.add_argument("--many", type=int, default=200)
    parser.add_argument("--query", default="obj=Bench.Kilobyte+Send&cat=7")
    options = parser.parse_args()
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin")}
    if options.registry:
        env["QUILLMATE_REGISTRY"] = options.registry
    for setting in options.env:
        name, _, value = setting.partition("=")
        env[name] = value
    head = request_bytes(options.query)
    with tempfile.TemporaryDirectory() as work:
        few = run("callgrind", options.worker, env, options.few, head, work)
        more = run("callgrind", options.worker, env, options.few + options.many, head, work)
        instructions = (more["instructions"] - few["instructions"]) / options.many
        few = run("strace", options.worker, env, options.few, head, work)
        more = run("strace", options.worker, env, options.few + options.many, head, work)
    calls = {name: (more.get(name, 0) - few.get(name, 0)) / options.many for name in more}
    calls = {name: n for name, n in calls.items() if n > 0.01}
    print(f"instructions per request: {instructions:,.0f}")
    print(f"system calls per request: {sum(calls.values()):.1f} ("
          + ", ".join(f"{name} {n:g}" for name, n in sorted(calls.items(), key=lambda c: -c[1])) + ")")


if __name__ == "__main__":
    sys.exit(main())
