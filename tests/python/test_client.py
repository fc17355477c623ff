"""The Python client against a fake panel made with http.server in this file:
what goes over the wire for each endpoint, how error answers become
ApiError, how the event stream resumes after a dropped connection and shows
gaps, and the command line's parsing. Every wait is bounded; the fake server
lives on an ephemeral loopback port and ends with each test."""

import contextlib
import http.server
import io
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from unittest import mock

HERE = os.path.dirname(os.path.abspath(__file__))
CLIENT_DIR = os.path.join(HERE, "..", "..", "clients", "python")
sys.path.insert(0, CLIENT_DIR)

import vuv_client  # noqa: E402
from vuv_client import ApiError, Event, Panel  # noqa: E402

TOKEN = "0123456789abcdef" * 4


class FakePanel:
    """A loopback HTTP server that records each request and answers from a
    table; /v1/events answers from a queue of scripted streams, one per
    connection (each a list of byte chunks or float pauses in seconds)."""

    def __init__(self):
        self.requests = []
        self.answers = {}
        self.streams = []
        self.stream_requests = []
        self.lock = threading.Lock()
        fake = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def _any(self):
                length = int(self.headers.get("Content-Length") or 0)
                raw = self.rfile.read(length) if length else b""
                body = json.loads(raw.decode("utf-8")) if raw else None
                record = {"method": self.command, "path": self.path, "headers": self.headers, "body": body}
                if self.path.split("?")[0] == "/v1/events":
                    with fake.lock:
                        fake.stream_requests.append(record)
                        script = fake.streams.pop(0) if fake.streams else None
                    return self._stream(script)
                with fake.lock:
                    fake.requests.append(record)
                status, payload, headers = fake.answers.get(
                    (self.command, self.path.split("?")[0]), (200, {"ok": True}, {}))
                data = payload if isinstance(payload, bytes) else json.dumps(payload).encode("utf-8")
                self.send_response(status)
                self.send_header("Content-Type", "application/json")
                self.send_header("Content-Length", str(len(data)))
                for name, value in headers.items():
                    self.send_header(name, value)
                self.end_headers()
                self.wfile.write(data)

            def _stream(self, script):
                if script is None:
                    # No more scripted streams: refuse, as a panel going away does.
                    self.send_response(503)
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                    return
                if isinstance(script, tuple):  # (status, body): an error answer
                    data = json.dumps(script[1]).encode("utf-8")
                    self.send_response(script[0])
                    self.send_header("Content-Length", str(len(data)))
                    self.end_headers()
                    self.wfile.write(data)
                    return
                self.send_response(200)
                self.send_header("Content-Type", "text/event-stream")
                self.end_headers()
                for piece in script:
                    if isinstance(piece, float):
                        time.sleep(piece)
                        continue
                    self.wfile.write(piece)
                    self.wfile.flush()
                # Returning closes the connection: the stream is dropped.

            do_GET = do_POST = do_DELETE = do_PATCH = do_PUT = _any

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.url = "http://127.0.0.1:%d" % self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, kwargs={"poll_interval": 0.05}, daemon=True)
        self.thread.start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()
        self.thread.join(5)


def sse(event_id, kind, data):
    return ("id: %d\nevent: %s\ndata: %s\n\n" % (event_id, kind, json.dumps(data))).encode("utf-8")


def row(event_id, kind="notice", content="x"):
    return sse(event_id, kind, {"id": event_id, "time": "2026-12-08T18:00:00+08:00", "pid": 7,
                                "kind": kind, "content": content})


def take(generator, count, deadline_s=10.0):
    """The first count items of generator, failing instead of hanging."""
    out = []
    result = {}

    def run():
        try:
            for item in generator:
                out.append(item)
                if len(out) == count:
                    break
        except BaseException as error:  # handed to the test thread
            result["error"] = error

    t = threading.Thread(target=run, daemon=True)
    t.start()
    t.join(deadline_s)
    if t.is_alive():
        raise AssertionError("the generator gave %d of %d items within %g s: %r" % (len(out), count, deadline_s, out))
    if "error" in result:
        raise result["error"]
    return out


class ClientTestCase(unittest.TestCase):
    def setUp(self):
        self.fake = FakePanel()
        self.addCleanup(self.fake.close)
        self.panel = Panel(self.fake.url, TOKEN, timeout=5)


class RequestsTest(ClientTestCase):
    def test_each_method_sends_the_contract_method_path_and_body(self):
        cases = [
            (lambda p: p.health(), "GET", "/v1/health", None),
            (lambda p: p.copies(), "GET", "/v1/copies", None),
            (lambda p: p.copies("hung"), "GET", "/v1/copies?state=hung", None),
            (lambda p: p.scan(), "POST", "/v1/scan", None),
            (lambda p: p.send("refresh", state="hung"), "POST", "/v1/commands",
             {"command": "refresh", "target": {"state": "hung"}}),
            (lambda p: p.send("rename", pids=[3, 4], name="甲"), "POST", "/v1/commands",
             {"command": "rename", "target": {"pids": [3, 4]}, "name": "甲"}),
            (lambda p: p.send("proxy", all=True, proxies=["1.2.3.4:80", "5.6.7.8:81"]), "POST", "/v1/commands",
             {"command": "proxy", "target": {"all": True}, "proxies": ["1.2.3.4:80", "5.6.7.8:81"]}),
            (lambda p: p.launch_list(), "GET", "/v1/launch-list", None),
            (lambda p: p.add_launch_rows([{"name": "a", "url": "http://a/", "config": ""}]), "POST",
             "/v1/launch-list", {"rows": [{"name": "a", "url": "http://a/", "config": ""}]}),
            (lambda p: p.clear_launch_list(), "DELETE", "/v1/launch-list", None),
            (lambda p: p.start_launch(), "POST", "/v1/launch", {"rows": "all"}),
            (lambda p: p.start_launch([0, 2]), "POST", "/v1/launch", {"rows": [0, 2]}),
            (lambda p: p.launch_status(), "GET", "/v1/launch", None),
            (lambda p: p.end_launch(), "DELETE", "/v1/launch", None),
            (lambda p: p.start_browsers(10), "POST", "/v1/browsers", {"count": 10}),
            (lambda p: p.bookmarks("opened", 20, 10), "GET", "/v1/bookmarks?state=opened&offset=20&limit=10", None),
            (lambda p: p.add_bookmarks(["http://x/"]), "POST", "/v1/bookmarks", {"urls": ["http://x/"]}),
            (lambda p: p.return_bookmarks([1, 2]), "POST", "/v1/bookmarks/return", {"indices": [1, 2]}),
            (lambda p: p.return_bookmarks(exited=True), "POST", "/v1/bookmarks/return", {"exited": True}),
            (lambda p: p.reset_bookmarks(), "POST", "/v1/bookmarks/reset", None),
            (lambda p: p.clear_bookmarks(), "DELETE", "/v1/bookmarks", None),
            (lambda p: p.rules(), "GET", "/v1/rules", None),
            (lambda p: p.add_rule("好", "link", "http://l/"), "POST", "/v1/rules",
             {"condition": "好", "action": "link", "link": "http://l/"}),
            (lambda p: p.delete_rule(2), "DELETE", "/v1/rules/2", None),
            (lambda p: p.move_rule(2, 0), "POST", "/v1/rules/2/move", {"to": 0}),
            (lambda p: p.records("links", after=100, limit=4096), "GET", "/v1/records/links?after=100&limit=4096", None),
            (lambda p: p.clear_records("pages"), "DELETE", "/v1/records/pages", None),
            (lambda p: p.log(after=5, limit=50), "GET", "/v1/log?after=5&limit=50", None),
            (lambda p: p.options(), "GET", "/v1/options", None),
            (lambda p: p.set_options(interval_ms=500, wap=True), "PATCH", "/v1/options",
             {"interval_ms": 500, "wap": True}),
            (lambda p: p.save_workspace("C:\\w.txt", records=True), "POST", "/v1/workspace/save",
             {"path": "C:\\w.txt", "records": True}),
            (lambda p: p.open_workspace("C:\\w.txt"), "POST", "/v1/workspace/open", {"path": "C:\\w.txt"}),
            (lambda p: p.openapi(), "GET", "/v1/openapi.json", None),
            (lambda p: p.cluster(), "GET", "/v1/cluster", None),
        ]
        for call, method, path, body in cases:
            with self.subTest(path=path, method=method):
                self.fake.requests.clear()
                self.assertEqual(call(self.panel), {"ok": True})
                self.assertEqual(len(self.fake.requests), 1)
                got = self.fake.requests[0]
                self.assertEqual((got["method"], got["path"], got["body"]), (method, path, body))
                self.assertEqual(got["headers"].get("Authorization"), "Bearer " + TOKEN)
                self.assertNotIn(TOKEN, got["path"])
                if body is not None:
                    self.assertEqual(got["headers"].get("Content-Type"), "application/json")

    def test_wrong_targets_are_refused_before_anything_is_sent(self):
        for kwargs in ({}, {"pids": [1], "state": "hung"}, {"state": "hung", "all": True}):
            with self.subTest(kwargs=kwargs), self.assertRaises(ValueError):
                self.panel.send("flash", **kwargs)
        with self.assertRaises(ValueError):
            self.panel.return_bookmarks()
        with self.assertRaises(ValueError):
            self.panel.records("cookies")
        self.assertEqual(self.fake.requests, [])

    def test_proxies_from_the_environment_are_not_used_and_redirects_not_followed(self):
        # A proxy that would see the token: nothing listens there, so using
        # it would fail the request.
        dead = socket.socket()
        dead.bind(("127.0.0.1", 0))
        proxy = "http://127.0.0.1:%d" % dead.getsockname()[1]
        dead.close()
        with mock.patch.dict(os.environ, {"http_proxy": proxy, "HTTP_PROXY": proxy, "no_proxy": ""}):
            panel = Panel(self.fake.url, TOKEN, timeout=5)
            self.assertEqual(panel.health(), {"ok": True})

        other = FakePanel()
        self.addCleanup(other.close)
        self.fake.answers[("GET", "/v1/health")] = (302, b"", {"Location": other.url + "/v1/health"})
        with self.assertRaises(ApiError) as caught:
            self.panel.health()
        self.assertEqual(caught.exception.status, 302)
        self.assertEqual(other.requests, [], "the token was carried to another server")

    def test_the_token_is_never_shown_by_repr(self):
        self.assertNotIn(TOKEN, repr(self.panel))


class ErrorsTest(ClientTestCase):
    def test_error_answers_become_api_errors_with_status_code_and_message(self):
        self.fake.answers[("GET", "/v1/copies")] = (
            401, {"error": {"code": "unauthorized", "message": "missing or wrong token"}}, {})
        self.fake.answers[("POST", "/v1/launch")] = (
            409, {"error": {"code": "walking", "message": "a walk is running"}}, {})
        self.fake.answers[("POST", "/v1/bookmarks")] = (
            422, {"error": {"code": "not_gbk", "message": "urls[0] cannot be written in GBK"}}, {})
        # Answers made by something other than the panel's own error path.
        self.fake.answers[("POST", "/v1/scan")] = (413, b"Payload Too Large", {})
        self.fake.answers[("GET", "/v1/rules")] = (503, b"", {})
        cases = [
            (lambda: self.panel.copies(), 401, "unauthorized", "missing or wrong token"),
            (lambda: self.panel.start_launch(), 409, "walking", "a walk is running"),
            (lambda: self.panel.add_bookmarks(["\u00e9"]), 422, "not_gbk", "urls[0] cannot be written in GBK"),
            (lambda: self.panel.scan(), 413, "http_413", "Payload Too Large"),
            (lambda: self.panel.rules(), 503, "http_503", "Service Unavailable"),
        ]
        for call, status, code, message in cases:
            with self.subTest(status=status):
                with self.assertRaises(ApiError) as caught:
                    call()
                error = caught.exception
                self.assertEqual((error.status, error.code, error.message), (status, code, message))

    def test_an_unreachable_panel_is_status_zero(self):
        self.fake.close()
        with self.assertRaises(ApiError) as caught:
            self.panel.health()
        self.assertEqual((caught.exception.status, caught.exception.code), (0, "unreachable"))

    def test_an_answer_that_is_not_json_is_an_error_not_a_crash(self):
        self.fake.answers[("GET", "/v1/health")] = (200, b"<html>", {})
        with self.assertRaises(ApiError) as caught:
            self.panel.health()
        self.assertEqual(caught.exception.code, "bad_answer")


class EventsTest(ClientTestCase):
    def test_a_dropped_stream_is_resumed_with_last_event_id_without_loss_or_repeats(self):
        self.fake.streams = [
            # A comment, two rows, then a row cut off before its blank line.
            [b": hello\n\n", row(1), row(2, "link", "K1"), b"id: 3\nevent: notice\ndata: {\"id\":3"],
            [row(3), b":\n\n", row(4, "state")],
        ]
        events = take(self.panel.events(reconnect_delay=0.01), 4)
        self.assertEqual([(e.id, e.kind) for e in events], [(1, "notice"), (2, "link"), (3, "notice"), (4, "state")])
        self.assertEqual(events[1].content, "K1")
        self.assertEqual(events[1].pid, 7)
        first, second = self.fake.stream_requests[:2]
        self.assertNotIn("Last-Event-ID", first["headers"])
        self.assertEqual(second["headers"].get("Last-Event-ID"), "2")
        for request in self.fake.stream_requests:
            self.assertEqual(request["headers"].get("Authorization"), "Bearer " + TOKEN)
            self.assertEqual(request["path"], "/v1/events")

    def test_after_is_where_the_first_connection_starts(self):
        self.fake.streams = [[row(41)]]
        self.assertEqual(take(self.panel.events(after=40, reconnect_delay=0.01), 1)[0].id, 41)
        self.assertEqual(self.fake.stream_requests[0]["headers"].get("Last-Event-ID"), "40")

    def test_a_gap_is_surfaced_and_the_stream_goes_on_after_it(self):
        self.fake.streams = [
            [row(1)],
            [b"event: gap\ndata: {\"from\": 2, \"to\": 5}\n\n", row(6), row(7)],
            [row(8)],
        ]
        events = take(self.panel.events(reconnect_delay=0.01), 5)
        self.assertEqual(events[0].id, 1)
        self.assertEqual((events[1].kind, events[1].id, events[1].data), ("gap", None, {"from": 2, "to": 5}))
        self.assertEqual([e.id for e in events[2:]], [6, 7, 8])
        # Dropped again after the gap: resumed from the last row, not from before the gap.
        self.assertEqual([r["headers"].get("Last-Event-ID") for r in self.fake.stream_requests], [None, "1", "7"])

    def test_a_silent_connection_counts_as_dropped(self):
        self.fake.streams = [[row(1), 3.0], [row(2)]]
        started = time.monotonic()
        events = take(self.panel.events(idle_timeout=0.3, reconnect_delay=0.01), 2)
        self.assertEqual([e.id for e in events], [1, 2])
        self.assertLess(time.monotonic() - started, 2.5)
        self.assertEqual(self.fake.stream_requests[1]["headers"].get("Last-Event-ID"), "1")

    def test_retry_field_and_multiline_data(self):
        self.fake.streams = [[b"retry: 10\n\n", b"id: 1\nevent: page\ndata: {\"content\":\ndata: \"a\"}\n\n"],
                             [row(2)]]
        events = take(self.panel.events(reconnect_delay=5.0), 2, deadline_s=3.0)
        self.assertEqual(events[0].data, {"content": "a"})
        self.assertEqual(events[1].id, 2)

    def test_an_error_answer_is_raised_not_retried(self):
        self.fake.streams = [(401, {"error": {"code": "unauthorized", "message": "wrong token"}}), [row(1)]]
        with self.assertRaises(ApiError) as caught:
            take(self.panel.events(reconnect_delay=0.01), 1)
        self.assertEqual((caught.exception.status, caught.exception.code), (401, "unauthorized"))
        self.assertEqual(len(self.fake.stream_requests), 1)

    def test_a_panel_that_stays_away_ends_the_stream_with_an_error(self):
        self.fake.streams = [[row(1)]]  # then 503 on every try
        generator = self.panel.events(retry_for=0.3, reconnect_delay=0.05)
        self.assertEqual(take(generator, 1)[0].id, 1)
        with self.assertRaises(ApiError) as caught:
            take(generator, 1)
        self.assertEqual(caught.exception.status, 0)
        self.assertTrue(all(r["headers"].get("Last-Event-ID") == "1" for r in self.fake.stream_requests[1:]))


class CommandLineTest(ClientTestCase):
    def run_cli(self, *argv, env=None):
        out, err = io.StringIO(), io.StringIO()
        environment = {"VUV_URL": self.fake.url, "VUV_TOKEN": TOKEN}
        environment.update(env or {})
        with mock.patch.dict(os.environ, environment), contextlib.redirect_stderr(err):
            status = vuv_client.main(list(argv), out=out)
        return status, out.getvalue(), err.getvalue()

    def sent(self):
        self.assertEqual(len(self.fake.requests), 1, self.fake.requests)
        got = self.fake.requests.pop()
        return got["method"], got["path"], got["body"]

    def test_commands_map_to_requests(self):
        with tempfile.TemporaryDirectory() as folder:
            urls = os.path.join(folder, "urls.txt")
            with open(urls, "w", encoding="utf-8") as f:
                f.write("http://a/\n\n  http://b/  \n书签/c\n")
            cases = [
                (["copies"], ("GET", "/v1/copies", None)),
                (["copies", "--state", "exited"], ("GET", "/v1/copies?state=exited", None)),
                (["send", "refresh", "--state", "hung"],
                 ("POST", "/v1/commands", {"command": "refresh", "target": {"state": "hung"}})),
                (["send", "rename", "--pids", "1,2", "--name", "X"],
                 ("POST", "/v1/commands", {"command": "rename", "target": {"pids": [1, 2]}, "name": "X"})),
                (["send", "open", "--all", "--url", "http://o/"],
                 ("POST", "/v1/commands", {"command": "open", "target": {"all": True}, "url": "http://o/"})),
                (["send", "proxy", "--pids", "5", "--proxies", "1.1.1.1:1,2.2.2.2:2"],
                 ("POST", "/v1/commands",
                  {"command": "proxy", "target": {"pids": [5]}, "proxies": ["1.1.1.1:1", "2.2.2.2:2"]})),
                (["bookmarks", "add", urls], ("POST", "/v1/bookmarks", {"urls": ["http://a/", "http://b/", "书签/c"]})),
                (["bookmarks"], ("GET", "/v1/bookmarks", None)),
                (["bookmarks", "list", "--state", "unused", "--limit", "5"],
                 ("GET", "/v1/bookmarks?state=unused&limit=5", None)),
                (["bookmarks", "return", "--exited"], ("POST", "/v1/bookmarks/return", {"exited": True})),
                (["browsers", "10"], ("POST", "/v1/browsers", {"count": 10})),
                (["launch", "start"], ("POST", "/v1/launch", {"rows": "all"})),
                (["launch", "start", "--rows", "0,3"], ("POST", "/v1/launch", {"rows": [0, 3]})),
                (["launch"], ("GET", "/v1/launch", None)),
                (["launch", "end"], ("DELETE", "/v1/launch", None)),
                (["launch-list", "add", "http://a/", "--name", "n"],
                 ("POST", "/v1/launch-list", {"rows": [{"name": "n", "url": "http://a/", "config": ""}]})),
                (["rules", "add", "#下一个", "--action", "link", "--link", "http://l/"],
                 ("POST", "/v1/rules", {"condition": "#下一个", "action": "link", "link": "http://l/"})),
                (["rules", "move", "3", "0"], ("POST", "/v1/rules/3/move", {"to": 0})),
                (["records", "links", "--after", "10"], ("GET", "/v1/records/links?after=10", None)),
                (["records", "pages", "clear"], ("DELETE", "/v1/records/pages", None)),
                (["options", "set", "interval_ms=500", "auto_return=true", "designated=C:\\b\\lxbr.exe"],
                 ("PATCH", "/v1/options",
                  {"interval_ms": 500, "auto_return": True, "designated": "C:\\b\\lxbr.exe"})),
                (["workspace", "save", "w.txt", "--records"],
                 ("POST", "/v1/workspace/save", {"path": "w.txt", "records": True})),
            ]
            for argv, expected in cases:
                with self.subTest(argv=argv):
                    status, out, err = self.run_cli(*argv)
                    self.assertEqual((status, err), (0, ""))
                    self.assertEqual(json.loads(out), {"ok": True})
                    self.assertEqual(self.sent(), expected)

    def test_url_and_token_options_win_over_the_environment(self):
        other = FakePanel()
        self.addCleanup(other.close)
        status, _, _ = self.run_cli("--url", other.url, "--token", "t2", "health")
        self.assertEqual(status, 0)
        self.assertEqual(self.fake.requests, [])
        self.assertEqual(other.requests[0]["headers"].get("Authorization"), "Bearer t2")

    def test_usage_errors_and_refusals(self):
        status, _, err = self.run_cli("health", env={"VUV_TOKEN": ""})
        self.assertEqual(status, 2)
        self.assertIn("token", err)
        for argv in (["send", "flash"], ["send", "flash", "--pids", "1", "--all"], ["send", "explode", "--all"],
                     ["send", "flash", "--pids", "1,x"], ["copies", "--state", "sleeping"]):
            with self.subTest(argv=argv), self.assertRaises(SystemExit), contextlib.redirect_stderr(io.StringIO()):
                self.run_cli(*argv)
        self.assertEqual(self.fake.requests, [])
        self.fake.answers[("GET", "/v1/health")] = (401, {"error": {"code": "unauthorized", "message": "no"}}, {})
        status, out, err = self.run_cli("health")
        self.assertEqual((status, out), (1, ""))
        self.assertIn("401 unauthorized: no", err)
        self.assertNotIn(TOKEN, err)

    def test_events_prints_one_json_line_per_event_of_the_chosen_kinds(self):
        self.fake.streams = [[row(1, "notice"), row(2, "link", "K"), row(3, "state"), row(4, "link", "L")]]
        status, out, _ = self.run_cli("events", "--kinds", "link", "--count", "2")
        self.assertEqual(status, 0)
        lines = [json.loads(line) for line in out.splitlines()]
        self.assertEqual([(x["id"], x["data"]["content"]) for x in lines], [(2, "K"), (4, "L")])


class DocsTest(unittest.TestCase):
    def test_the_documented_script_and_methods_are_the_real_ones(self):
        docs = os.path.join(HERE, "..", "..", "docs")
        with open(os.path.join(docs, "api.md"), encoding="utf-8") as f:
            text = f.read()
        with open(os.path.join(docs, "api_example.py"), encoding="utf-8") as f:
            example = f.read()
        self.assertIn("```python\n" + example + "```", text)
        compile(example, "api_example.py", "exec")
        self.assertLessEqual(len(example.splitlines()), 25)
        table = text[text.index("| Method | Request |"):text.index("An answer that is not 2xx")]
        named = set(re.findall(r"`([a-z_]+)\(", table))
        self.assertGreater(len(named), 25)
        for name in named:
            self.assertTrue(callable(getattr(Panel, name, None)), name)


class PackagingTest(unittest.TestCase):
    def test_installs_with_pip_offline_and_runs_as_a_module(self):
        python = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
        probes = ([python, "-c", "import setuptools, wheel"], [python, "-m", "pip", "--version"])
        if any(subprocess.run(p, capture_output=True, timeout=60).returncode != 0 for p in probes):
            self.skipTest("pip, setuptools and wheel are not installed for %s (scripts/setup.sh installs them)"
                          % python)
        target = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, target, True)
        # The source folder is copied: pip leaves build files beside a tree it builds.
        source = os.path.join(target, "src")
        shutil.copytree(CLIENT_DIR, source, ignore=shutil.ignore_patterns("__pycache__", "build", "*.egg-info"))
        installed = os.path.join(target, "site")
        done = subprocess.run([python, "-m", "pip", "install", "--quiet", "--no-index", "--no-build-isolation",
                               "--disable-pip-version-check", "--target", installed, source],
                              capture_output=True, text=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertTrue(os.path.exists(os.path.join(installed, "vuv_client.py")))
        env = dict(os.environ, PYTHONPATH=installed, VUV_TOKEN=TOKEN)
        ran = subprocess.run([python, "-m", "vuv_client", "--help"], capture_output=True, text=True, timeout=60,
                             env=env, cwd=target)
        self.assertEqual(ran.returncode, 0, ran.stderr)
        self.assertIn("bookmarks", ran.stdout)


if __name__ == "__main__":
    unittest.main()
