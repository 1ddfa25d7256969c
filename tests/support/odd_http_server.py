#!/usr/bin/env python3
"""A web server for tests whose replies are chosen by the requested name:
well-formed ones with odd details and broken ones. Listens on 127.0.0.1 only
and writes every request it receives to the request log.

With a third argument, a folder: the reply to a name N is the bytes of the
file N there, exactly as written (status line, head and body); when N.stall
exists too, the connection then stays open until the client closes it."""
import os
import socket
import sys

BODY = bytes(range(256)) * 40  # 10240 bytes


def reply_for(name):
    if name == "mixed.gif":
        return b"HTTP/1.0 200 OK\r\nconTent-LENGTH: 10\r\n\r\n" + BODY[:10]
    if name == "two_lengths.gif":
        return b"HTTP/1.0 200 OK\r\nContent-Length: 3\r\nContent-Length: 6\r\n\r\n" + BODY[:6]
    if name == "no_length.png":
        return b"HTTP/1.0 200 OK\r\nContent-Type: image/png\r\n\r\n" + BODY
    if name == "cut.gif":
        return b"HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + BODY[:1000]
    if name == "longer.gif":
        return b"HTTP/1.0 200 OK\r\nContent-Length: 101\r\n\r\n" + BODY[:100]
    if name == "long_line.gif":
        return b"HTTP/1.0 200 OK\r\nX-Pad: " + b"a" * 3000 + b"\r\nContent-Length: 4\r\n\r\nabcd"
    if name == "huge_length.gif":
        return b"HTTP/1.0 200 OK\r\nContent-Length: 2000000000\r\n\r\n" + BODY
    if name == "head_only.gif":
        return b"HTTP/1.0 200 OK\r\nContent-Length: 4\r\n"
    return b"HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"


def serve(conn, log_path, replies):
    request = b""
    while b"\r\n\r\n" not in request:
        piece = conn.recv(4096)
        if not piece:
            break
        request += piece
    with open(log_path, "ab") as log:
        log.write(request)
    parts = request.split(b" ")
    path = parts[1].decode("latin-1") if len(parts) > 1 else ""
    name = path.rsplit("/", 1)[-1]
    canned = os.path.join(replies, name) if replies and name else None
    if canned and os.path.isfile(canned):
        with open(canned, "rb") as f:
            conn.sendall(f.read())
        if os.path.exists(canned + ".stall"):
            while conn.recv(4096):
                pass
    else:
        conn.sendall(reply_for(name))


def main():
    port = int(sys.argv[1])
    log_path = sys.argv[2]
    replies = sys.argv[3] if len(sys.argv) > 3 else None
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", port))
    server.listen(8)
    while True:
        conn, _ = server.accept()
        # A client that gives up early must not end the server.
        try:
            serve(conn, log_path, replies)
        except OSError:
            pass
        finally:
            conn.close()


if __name__ == "__main__":
    main()
