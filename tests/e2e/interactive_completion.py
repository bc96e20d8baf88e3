#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Types command lines into a real interactive bash on a pseudo-terminal, with the given
completion script loaded, and prints what the terminal showed. A tab in a line asks for
completion there, as a user's Tab key does.
Usage: interactive_completion.py COMPLETION_SCRIPT LINE..."""
import os
import pty
import select
import sys
import time

PROMPT = b"ready> "


def read_until(fd, marker, times=1, seconds=10):
    seen = b""
    deadline = time.monotonic() + seconds
    while seen.count(marker) < times and time.monotonic() < deadline:
        if select.select([fd], [], [], 0.1)[0]:
            try:
                seen += os.read(fd, 4096)
            except OSError:
                break
    return seen


def drain(fd, quiet=1.0, seconds=10):
    """Reads until the terminal has been quiet for a moment: completion has answered."""
    seen = b""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and select.select([fd], [], [], quiet)[0]:
        try:
            seen += os.read(fd, 4096)
        except OSError:
            break
    return seen


def main():
    script, lines = sys.argv[1], sys.argv[2:]
    pid, fd = pty.fork()
    if pid == 0:
        os.execvp("bash", ["bash", "--norc", "--noprofile", "-i"])
    os.write(fd, b"bind 'set bell-style none'; source /usr/share/bash-completion/bash_completion; "
                 b"source '" + script.encode() + b"'; PS1='" + PROMPT + b"'\n")
    read_until(fd, PROMPT, times=2)  # the echoed line holds it once, the new prompt again
    for line in lines:
        *typed, rest = line.encode().split(b"\t")
        shown = b""
        for part in typed:
            os.write(fd, part + b"\t")
            shown += drain(fd)  # completion runs the program for the box names
        os.write(fd, rest + b"\n")
        shown += read_until(fd, PROMPT)
        sys.stdout.buffer.write(shown.replace(b"\r", b""))
    os.write(fd, b"exit\n")
    os.waitpid(pid, 0)


main()
