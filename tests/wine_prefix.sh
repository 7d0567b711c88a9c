#!/usr/bin/env bash
# Makes the wine prefix $WINEPREFIX and leaves its server and background
# services running until `wineserver -k`, started out of any terminal and
# holding none of a test's pipes. Started instead by a test's first wine run,
# they would hold that test's output open for seconds after the tool ended,
# and two first runs at once would race to set them up.
set -euo pipefail
mkdir -p "$WINEPREFIX"
export LC_ALL=C.UTF-8
# Where qemu runs wine's i386 loader, it must leave wine the top of the
# 32-bit address space; elsewhere nothing reads it.
export QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0xf7000000}
# The server that creates the prefix goes once it is made; a persistent one
# can only take over after it.
setsid -w wine wineboot --init </dev/null >/dev/null 2>&1
# Without a graphics driver, a new console, even a hidden one, has no window
# and cannot be written to; the null driver gives it one. Set before the
# server goes, so that the next desktop process takes it.
setsid -w wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
wineserver --wait
setsid wineserver --persistent </dev/null >/dev/null 2>&1
setsid -w wine wineboot </dev/null >/dev/null 2>&1
