"""Fails when a portable source file names a platform: tests for _WIN32 (or another system's macro) or includes
a system header.

What differs between systems lives in files named *_posix.* and *_windows.*, which CMake picks per platform;
every other file of engine/, cli/, imaging/, lib/, python/ and the window's portable parts (app/core, app/qt)
compiles the same everywhere. app/win32 is the Windows window as a whole.
Usage: check_platform_split.py SOURCE_ROOT
"""
import pathlib
import re
import sys

PARTS = ("engine", "cli", "imaging", "lib", "python", "app/core", "app/qt")
SOURCES = {".c", ".cc", ".cpp", ".cxx", ".h", ".hh", ".hpp"}
PLATFORM_FILE = re.compile(r"_(posix|windows)$")
PLATFORM_MACRO = re.compile(r"\b(_WIN32|_WIN64|__MINGW32__|__MINGW64__|_MSC_VER|__linux__|__APPLE__|__unix__)\b")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')
SYSTEM_PREFIXES = ("sys/", "linux/", "mach/", "netinet/", "arpa/")
SYSTEM_HEADERS = {
    # POSIX
    "unistd.h", "fcntl.h", "dirent.h", "dlfcn.h", "grp.h", "poll.h", "pthread.h", "pwd.h", "sched.h", "signal.h",
    "spawn.h", "termios.h", "utime.h",
    # Windows
    "windows.h", "io.h", "direct.h", "process.h", "share.h", "shlobj.h", "shellapi.h", "objbase.h", "wincodec.h",
    "winsock2.h", "commctrl.h", "conio.h",
}

# Deliberate exceptions, each with its reason.
EXCEPTIONS = {
    "engine/platform/thread_record.h":
        "picks how a thread's record is stored (a type, not a function): one #if in a platform header, where a "
        "pair of files could not choose a type",
    "lib/engine_bridge.cpp":
        "the library and its Python module are built only for POSIX systems (a versioned shared object); its "
        "scratch files for photos in memory use the system directly",
}


def system_header(name):
    return name.startswith(SYSTEM_PREFIXES) or name in SYSTEM_HEADERS


def offending_lines(root):
    for part in PARTS:
        for path in sorted((root / part).rglob("*")):
            if path.suffix not in SOURCES or not path.is_file() or PLATFORM_FILE.search(path.stem):
                continue
            relative = path.relative_to(root).as_posix()
            if relative in EXCEPTIONS:
                continue
            for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                include = INCLUDE.match(line)
                if include and system_header(include.group(1)):
                    yield f"{relative}:{number}: includes the system header {include.group(1)}"
                elif not include and PLATFORM_MACRO.search(line):
                    yield f"{relative}:{number}: tests the platform: {line.strip()}"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    found = list(offending_lines(root))
    for line in found:
        print(line)
    for relative in EXCEPTIONS:
        if not (root / relative).is_file():
            print(f"note: the exception {relative} names no file any more; drop it from the list")
    if found:
        print(f"{len(found)} platform line(s) in portable files: move them into a *_posix / *_windows file")
        return 1
    print("portable files name no platform")
    return 0


if __name__ == "__main__":
    sys.exit(main())
