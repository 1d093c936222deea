#!/usr/bin/python3
"""A real SMB server for the tests: impacket's SimpleSMBServer on a loopback
port, with SMB2, one NTLM user, and the named pipe `zeltrpc` forwarded to a
TCP socket (signsim --tcp). Prints "ready PORT" once it listens; runs until
killed.

usage: smb_server.py FORWARD_PORT [USER [LISTEN_ADDRESS]]
LISTEN_ADDRESS defaults to 127.0.0.1; "::1" listens on IPv6 loopback.
The user's password is read from the environment (SMB_TEST_PASSWORD), so it
never shows on a command line. The server looks pipe names up as paths
relative to its working directory as well (a directory "zeltrpc" there would
shadow the pipe): start it in an empty one."""
import binascii
import logging
import os
import socket
import sys

from impacket import smbserver
from impacket.ntlm import compute_nthash


def main():
    forward = int(sys.argv[1])
    user = sys.argv[2] if len(sys.argv) > 2 else "op"
    listen = sys.argv[3] if len(sys.argv) > 3 else "127.0.0.1"
    if ":" in listen:
        smbserver.SMBSERVER.address_family = socket.AF_INET6
    logging.basicConfig(level=logging.DEBUG if os.environ.get("SMB_TEST_DEBUG") else logging.CRITICAL)
    server = smbserver.SimpleSMBServer(listenAddress=listen, listenPort=0)
    server.setSMB2Support(True)
    password = os.environ.get("SMB_TEST_PASSWORD", "")
    if password:
        nthash = binascii.hexlify(compute_nthash(password)).decode()
        server.addCredential(user, 1000, "aad3b435b51404eeaad3b435b51404ee", nthash)
    server.registerNamedPipe("zeltrpc", ("127.0.0.1", forward))
    port = server._SimpleSMBServer__server.server_address[1]
    print("ready %d" % port, flush=True)
    server.start()


if __name__ == "__main__":
    main()
