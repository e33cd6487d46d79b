#!/usr/bin/env bash
# Prints the addresses a test server listens on: loopback, and the address a
# broadcast from this host leaves from where that is another link (discovery
# names the address its answer came from). Not every address: the scripted
# peers of other tests take the same ports on their own loopback addresses.
src=$(ip -4 route get 255.255.255.255 2>/dev/null | sed -n 's/.* src \([0-9.]*\).*/\1/p' | head -n 1)
if [ -n "$src" ] && [ "$src" != 127.0.0.1 ]; then
    echo "127.0.0.1,$src"
else
    echo 127.0.0.1
fi
