"""The real panel under Wine for the Python end-to-end tests: a sandbox
folder of its own with vuv.exe, lxbr.exe and a "设置.ini" that switches the
automation interface on, the panel started from it, and at the end every
process started from that folder ended by its pid, pass or fail.

Needs what scripts/test.sh gives the Wine tests: DISPLAY, WINEPREFIX and WINE
(the loader), with a wineserver kept running. The build folder (vuv.exe,
lxbr.exe) comes from VUV_BUILD_DIR.
"""

import os
import re
import secrets
import shutil
import signal
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "clients", "python"))

from vuv_client import ApiError, Panel  # noqa: E402

SANDBOX_PREFIX = "vuv-api-"

# The settings keys, section [基本设置], as the panel reads them (GBK).
SECTION = "基本设置"
KEY_BROWSER = "鹭行路径"
KEY_ON = "接口启用"
KEY_ADDRESS = "接口地址"
KEY_PORT = "接口端口"
KEY_TOKEN = "接口令牌"
SETTINGS_FILE = "设置.ini"


def deadline_wait(condition, timeout, interval=0.1, what="condition"):
    """Polls condition() until it gives something true; that value, or
    AssertionError naming what was awaited when timeout seconds pass."""
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("%s: not reached within %g s" % (what, timeout))
        time.sleep(interval)


def free_port():
    """A loopback port nothing listens on right now."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def windows_path(unix_path):
    """The path as Wine's drive Z: shows it."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def _processes():
    """(pid, command line) of every process of this machine that we can read."""
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % name, "rb") as f:
                line = f.read().replace(b"\0", b" ").decode("utf-8", "replace")
        except OSError:
            continue
        yield int(name), line


def processes_in(folder_name):
    """Pids of the processes whose command line names the folder (a Wine
    process shows its program's path, in the Unix or the Windows form)."""
    needle = folder_name.lower()
    own = os.getpid()
    return [pid for pid, line in _processes() if needle in line.lower() and pid != own]


def end_processes(pids, timeout=10.0):
    """SIGKILL to each pid, then waits until they are gone."""
    for pid in pids:
        try:
            os.kill(pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
    end = time.monotonic() + timeout
    while time.monotonic() < end and any(os.path.exists("/proc/%d" % p) for p in pids):
        time.sleep(0.05)


def end_leftovers():
    """Ends processes left in sandboxes of test programs that have ended
    (one killed by ctest's limit cannot clean up after itself)."""
    pattern = re.compile(re.escape(SANDBOX_PREFIX) + r"(\d+)-", re.I)
    stale = []
    for pid, line in _processes():
        m = pattern.search(line)
        if m and not os.path.exists("/proc/%s" % m.group(1)) and pid != os.getpid():
            stale.append(pid)
    if stale:
        sys.stderr.write("ending %d processes left by an earlier test\n" % len(stale))
        end_processes(stale)


def build_dir():
    folder = os.environ.get("VUV_BUILD_DIR") or os.path.join(ROOT, "build", "win32")
    return os.path.abspath(folder)


def wine_loader():
    return os.environ.get("WINE") or os.path.join(ROOT, "scripts", "wine-exec")


class WinePanel:
    """vuv.exe in a sandbox of its own with the interface switched on.

    environment: variables for the panel (and so for the copies it starts),
    e.g. {"VUV_STANDIN_OPTIONS": "--standin-notify=10,0"}.
    """

    def __init__(self, environment=None, more_settings=None, start_timeout=90.0):
        end_leftovers()
        self.token = secrets.token_hex(32)
        self.port = free_port()
        self.url = "http://127.0.0.1:%d" % self.port
        base = os.path.join(build_dir(), "api-sandboxes")
        os.makedirs(base, exist_ok=True)
        self.name = "%s%d-%s" % (SANDBOX_PREFIX, os.getpid(), secrets.token_hex(4))
        self.folder = os.path.join(base, self.name)
        self.logs = os.path.join(self.folder, "logs")
        os.makedirs(self.logs)
        for program in ("vuv.exe", "lxbr.exe"):
            shutil.copy2(os.path.join(build_dir(), program), self.folder)
        self.write_settings(more_settings or {})
        self.log_path = os.path.join(self.folder, "wine.log")
        env = dict(os.environ)
        # The channels the C++ harness reads too: every exception raised, and
        # the panel's own trace lines.
        env["WINEDEBUG"] = "-all,err+all,warn+seh,warn+debugstr"
        env["VUV_STANDIN_LOG"] = windows_path(self.logs)
        env.update(environment or {})
        self._log = open(self.log_path, "wb")
        self.process = subprocess.Popen([wine_loader(), os.path.join(self.folder, "vuv.exe")], cwd=self.folder,
                                        stdin=subprocess.DEVNULL, stdout=self._log, stderr=subprocess.STDOUT, env=env)
        self.client = Panel(self.url, self.token, timeout=30)
        try:
            self.health = deadline_wait(self._healthy, start_timeout, 0.2, "the interface answering on " + self.url)
        except BaseException:
            self.close()
            raise

    def _healthy(self):
        if self.process.poll() is not None:
            raise AssertionError("vuv.exe ended (status %s); its log says:\n%s" % (self.process.returncode, self.wine_log()))
        try:
            return self.client.health()
        except ApiError as error:
            if error.status != 0:
                raise
            return None

    def write_settings(self, more):
        values = {KEY_BROWSER: windows_path(os.path.join(self.folder, "lxbr.exe")), KEY_ON: "真",
                  KEY_ADDRESS: "127.0.0.1", KEY_PORT: str(self.port), KEY_TOKEN: self.token}
        values.update(more)
        text = "[%s]\r\n" % SECTION + "".join("%s=%s\r\n" % (k, v) for k, v in values.items())
        with open(os.path.join(self.folder, SETTINGS_FILE), "wb") as f:
            f.write(text.encode("gbk"))

    def wine_log(self):
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode("gbk", "replace")
        except OSError:
            return ""

    def exception_lines(self):
        """Lines of the panel's log that tell of an exception: raised by the
        system (error-class codes), unhandled, or caught at a barrier."""
        lines = []
        for line in self.wine_log().splitlines():
            counts = "err:seh" in line or "Unhandled exception" in line or "vuv: exception at barrier" in line
            m = re.search(r":seh:dispatch_exception.*\(code=([0-9a-fA-F]+)", line)
            if m and (int(m.group(1), 16) & 0xF0000000) == 0xC0000000:
                counts = True
            if counts:
                lines.append(line)
        return lines

    def standin_logs(self):
        """{pid: [log lines]} of the stand-ins that wrote a log in this sandbox."""
        out = {}
        for name in os.listdir(self.logs):
            m = re.match(r"standin-(\d+)\.log$", name)
            if m:
                with open(os.path.join(self.logs, name), "rb") as f:
                    out[int(m.group(1))] = f.read().decode("ascii", "replace").splitlines()
        return out

    def close(self):
        """Closes the copies through the interface, then ends every process
        started from the sandbox by its pid, and removes the sandbox."""
        try:
            if self.process.poll() is None:
                quick = Panel(self.url, self.token, timeout=10)
                if quick.copies()["copies"]:
                    quick.send("close", all=True)
        except (ApiError, OSError, KeyError, TypeError):
            pass  # the panel may be the thing that failed: the kill below ends all
        end = time.monotonic() + 5
        while time.monotonic() < end and [p for p in processes_in(self.name) if p != self.process.pid]:
            time.sleep(0.1)
        end_processes(processes_in(self.name) + [self.process.pid])
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            pass
        self._log.close()
        left = processes_in(self.name)
        if left:
            raise AssertionError("processes still running from %s: %s" % (self.folder, left))
        if os.environ.get("VUV_KEEP_SANDBOX") != "1":
            shutil.rmtree(self.folder, ignore_errors=True)
