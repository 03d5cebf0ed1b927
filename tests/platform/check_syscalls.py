#!/usr/bin/env python3
"""Checks that every call the library makes to the system goes through the fault table.

check_syscalls.py LIBRARY SOURCE_ROOT

Walks the platform layer's fault table in LIBRARY (Port_TestFaultName / Port_TestFaultSymbols)
and compares it with what LIBRARY imports:
  - every imported function of the C library is either in the table or in the reviewed list
    below of calls that do not reach the system, or whose failure leaves nothing to handle;
  - every import of the C++ runtime that reaches the system (threads, files, randomness) is
    in the table;
  - every symbol the table names is imported (a stale row is as misleading as a missing one).
Then looks in SOURCE_ROOT/s/platform for direct calls (::open(...)) of the table's functions
outside the wrappers of syscalls.h, and in SOURCE_ROOT/s for threads started without
platform::startThread. Prints each finding and fails when there is any.
"""
import ctypes
import os
import re
import subprocess
import sys

# C library functions and data that need no entry, by reason.
NO_ENTRY = {
    # memory; exhaustion is the memory manager's business, not a system call's
    "malloc", "calloc", "realloc", "free",
    # formatting and the C streams on the standard descriptors (a stream the layer opens itself
    # moves its bytes through read and write)
    "snprintf", "vsnprintf", "vswprintf", "__isoc99_sscanf", "printf", "fprintf", "puts", "putc",
    "fputs", "fwrite", "fflush", "fgetc", "ferror", "fclose", "stdout", "stderr",
    # numbers, patterns, error texts
    "strtod", "strtol", "wcstoul", "fnmatch", "strerror", "strerror_r",
    # errno, thread-local storage, locks, once, per-thread keys: they cannot fail here
    "__errno_location", "__tls_get_addr", "__libc_single_threaded", "pthread_once",
    "pthread_key_create", "pthread_key_delete", "pthread_getspecific", "pthread_setspecific",
    "pthread_self", "__register_atfork", "pthread_mutex_lock", "pthread_mutex_trylock",
    "pthread_mutex_unlock", "pthread_rwlock_rdlock", "pthread_rwlock_wrlock",
    "pthread_rwlock_unlock",
    # the attribute and action records of a spawn, built in memory (posix_spawnp answers for
    # the spawn itself)
    "posix_spawn_file_actions_init", "posix_spawn_file_actions_adddup2",
    "posix_spawn_file_actions_destroy", "posix_spawnattr_init", "posix_spawnattr_destroy",
    "posix_spawnattr_setflags", "posix_spawnattr_setpgroup", "posix_spawnattr_setsigdefault",
    "posix_spawnattr_setsigmask",
    # the C++ runtime's static destructors
    "__cxa_atexit", "__cxa_finalize",
    # signal sets in memory
    "sigemptyset", "sigaddset", "sigismember",
    # who this process is, and its end
    "getpid", "geteuid", "sysconf", "exit", "_exit", "abort", "raise", "pause",
    # releases: a failure leaves nothing to undo
    "closedir", "munmap", "dlclose", "inotify_rm_watch",
    # a directory stream's position; it cannot fail
    "rewinddir",
    # calendar arithmetic and the zone rules
    "gmtime_r", "localtime_r", "mktime", "strftime", "tzset", "timezone", "tzname",
    "__timezone", "__tzname",
    # the C locale objects of the conversions
    "newlocale", "uselocale",
    # the process's own environment block and program headers, read in memory
    "environ", "__environ", "dl_iterate_phdr",
}
NO_ENTRY_PATTERN = re.compile(r"^(mem|str|wcs|wmem|isw?|tow?|to)[a-z]*$")

# Families of the C++ runtime that reach the system.
CXX_SYSTEM = ("std::thread::_M_start_thread", "std::random_device::", "std::filesystem::",
              "basic_filebuf", "basic_ifstream", "basic_ofstream", "basic_fstream",
              "std::this_thread::")


def table(library):
    lib = ctypes.CDLL(library)
    name_of = lib.Port_TestFaultName
    symbols_of = lib.Port_TestFaultSymbols
    name_of.restype = symbols_of.restype = ctypes.c_char_p
    entries = []
    i = 0
    while name_of(i) is not None:
        entries.append((name_of(i).decode(), symbols_of(i).decode().split()))
        i += 1
    return entries


def imports(library):
    out = subprocess.run(["nm", "-D", "--undefined-only", "--demangle", library], check=True,
                         capture_output=True, text=True).stdout
    found = []
    for line in out.splitlines():
        name = line.split(None, 1)[1] if line.split()[0] in ("U", "w", "v") else line
        m = re.match(r"^(.*?)@(GLIBCXX|CXXABI|GLIBC)_[\d.]+$", name.strip())
        if m:
            found.append((m.group(1), m.group(2)))
    return found


def covers(symbol, name):
    return name == symbol or (symbol.endswith("::") and name.startswith(symbol)) or \
        name.startswith(symbol + "(")


def main():
    library, root = sys.argv[1], sys.argv[2]
    problems = []
    entries = table(library)
    names = [n for n, _ in entries]
    if len(set(names)) != len(names) or not all(names):
        problems.append(f"entry names are not unique and non-empty: {names}")
    symbols = [s for _, syms in entries for s in syms]
    imported = imports(library)
    for name, origin in imported:
        if any(covers(s, name) for s in symbols):
            continue
        if origin == "GLIBC":
            if name not in NO_ENTRY and not NO_ENTRY_PATTERN.match(name):
                problems.append(f"{name}: imported from the C library without an entry")
        elif any(family in name for family in CXX_SYSTEM):
            problems.append(f"{name}: reaches the system without an entry")
    for entry, syms in entries:
        for s in syms:
            if not any(covers(s, name) for name, _ in imported):
                problems.append(f"entry {entry}: {s} is not imported")

    # Direct calls of wrapped functions inside the layer.
    c_names = sorted({s for s in symbols if re.match(r"^\w+$", s)}, key=len, reverse=True)
    direct = re.compile(r"(?<![\w:])(?:::|std::)(" + "|".join(c_names) + r")\s*\(")
    platform = os.path.join(root, "s", "platform")
    for file in sorted(os.listdir(platform)):
        if file in ("syscalls.h",) or not file.endswith((".cpp", ".h")):
            continue
        text = open(os.path.join(platform, file), encoding="utf-8").read()
        for m in direct.finditer(text):
            line = text.count("\n", 0, m.start()) + 1
            problems.append(f"s/platform/{file}:{line}: {m.group(1)} called around its wrapper")
    # Threads started without the layer's function.
    thread = re.compile(r"std::thread\s*(\w+\s*)?[({]|emplace_back\(\s*\[|this_thread::sleep")
    for dirpath, _, files in os.walk(os.path.join(root, "s")):
        for file in files:
            if file == "thread.h" or not file.endswith((".cpp", ".h")):
                continue
            path = os.path.join(dirpath, file)
            text = open(path, encoding="utf-8").read()
            for m in thread.finditer(text):
                line = text.count("\n", 0, m.start()) + 1
                problems.append(f"{os.path.relpath(path, root)}:{line}: a thread started or put "
                                "to sleep without the platform layer")

    for p in problems:
        print(p)
    print(f"{len(entries)} entries, {len(imported)} imports checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
