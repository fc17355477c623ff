"""The automation interface end to end: the real vuv.exe under Wine, driven
over loopback from Linux with the Python client, with stand-in browsers the
panel starts itself. Each class runs one panel in a sandbox of its own
(tests/python/wine_panel.py) and ends it, and every process it started, at
the end, pass or fail. Every wait has a deadline.

Run by ctest in the Windows build (cmake/windows.cmake), one class per test:
    python3 -m unittest wine_api_test.Endpoints
"""

import http.client
import json
import os
import re
import socket
import subprocess
import sys
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from wine_panel import ROOT, WinePanel, deadline_wait, windows_path  # noqa: E402
from vuv_client import ApiError, Panel  # noqa: E402

MSG_ADJUST = "调整"
MSG_JUMP = "跳转"
TOOLBAR = "基本通讯|||工具条|||"


def gbk_hex(text):
    return text.encode("gbk").hex().upper()


def records(lines, kind):
    """The fields of a stand-in's log records of one kind."""
    return [line.split(" ")[1:] for line in lines if line.split(" ")[0] == kind]


def received(lines, name=MSG_ADJUST):
    """Payloads (GBK text) a stand-in read under a message name."""
    return [bytes.fromhex(f[1]).decode("gbk", "replace") for f in records(lines, "RECV")
            if len(f) > 1 and f[0] == gbk_hex(name)]


def link_text(content):
    """The text of a link record notification ("连接码|||<field>■<text>")."""
    return content.split("■")[1]


def collect(generator, until, timeout, what):
    """Events from generator until until(events) holds; fails after timeout
    seconds instead of hanging (the generator runs on a thread of its own)."""
    events = []
    failure = []
    done = threading.Event()

    def run():
        try:
            for event in generator:
                events.append(event)
                if until(events):
                    break
        except BaseException as error:
            failure.append(error)
        finally:
            # Closing the generator closes its connection: a client gone away.
            try:
                generator.close()
            except BaseException:
                pass
            done.set()

    threading.Thread(target=run, daemon=True).start()
    if not done.wait(timeout):
        raise AssertionError("%s: not seen within %g s; %d events so far, the last %r"
                             % (what, timeout, len(events), events[-3:]))
    if failure:
        raise failure[0]
    return events


class PanelTestCase(unittest.TestCase):
    environment = None

    @classmethod
    def setUpClass(cls):
        cls.wine = WinePanel(environment=cls.environment)
        cls.panel = cls.wine.client

    @classmethod
    def tearDownClass(cls):
        wine = cls.wine
        problems = wine.exception_lines()
        wine.close()
        if problems:
            raise AssertionError("the panel's log tells of exceptions:\n" + "\n".join(problems[:20]))

    def start_copies(self, count, timeout=120):
        """Starts count copies through the interface and waits until the
        panel lists them running; their pids in the table's order."""
        before = {c["pid"] for c in self.panel.copies()["copies"]}
        answer = self.panel.start_browsers(count)
        self.assertIsInstance(answer, dict)

        def listed():
            copies = self.panel.scan()["copies"]
            new = [c["pid"] for c in copies if c["pid"] not in before and c["state"] == "running"]
            return new if len(new) >= count else None
        return deadline_wait(listed, timeout, 0.5, "%d new copies listed running" % count)

    def standin_log(self, pid):
        return self.wine.standin_logs().get(pid, [])


class Endpoints(PanelTestCase):
    """Every endpoint through the client, with what the window would show."""

    environment = {"VUV_STANDIN_OPTIONS": "--standin-notify=3,0"}

    def test_health_and_openapi(self):
        health = self.panel.health()
        self.assertEqual(set(health), {"version", "copies", "bookmarks", "walking", "last_event"})
        self.assertEqual(set(health["copies"]), {"running", "hung", "exited"})
        self.assertEqual(set(health["bookmarks"]), {"unused", "opened"})
        self.assertIsInstance(health["walking"], bool)
        # With the shared queue off the group's figures say so and nothing else.
        self.assertEqual(self.panel.cluster(),
                         {"connection": "off", "reason": None, "queue": None, "panels": [], "this_panel": None})
        document = self.panel.openapi()
        self.assertTrue(str(document.get("openapi", "")).startswith("3."), document.get("openapi"))
        contract = {
            "/v1/health": {"get"}, "/v1/copies": {"get"}, "/v1/scan": {"post"}, "/v1/commands": {"post"},
            "/v1/launch-list": {"get", "post", "delete"}, "/v1/launch": {"get", "post", "delete"},
            "/v1/browsers": {"post"}, "/v1/bookmarks": {"get", "post", "delete"},
            "/v1/bookmarks/return": {"post"}, "/v1/bookmarks/reset": {"post"},
            "/v1/rules": {"get", "post"}, "/v1/rules/{index}": {"delete"}, "/v1/rules/{index}/move": {"post"},
            "/v1/records/links": {"get", "delete"}, "/v1/records/pages": {"get", "delete"},
            "/v1/events": {"get"}, "/v1/log": {"get"}, "/v1/options": {"get", "patch"},
            "/v1/workspace/save": {"post"}, "/v1/workspace/open": {"post"}, "/v1/openapi.json": {"get"},
            "/v1/cluster": {"get"},
        }
        paths = document.get("paths", {})
        for path, methods in contract.items():
            with self.subTest(path=path):
                self.assertIn(path, paths)
                self.assertEqual({m for m in paths[path] if m in ("get", "post", "delete", "patch", "put")}, methods)

    def test_options_change_as_their_controls_do(self):
        original = self.panel.options()
        self.assertEqual(set(original), {"interval_ms", "max_running", "jitter_ms", "auto_return", "auto_save",
                                         "auto_restart", "loop_bookmarks", "wap", "designated"})
        try:
            changed = self.panel.set_options(interval_ms=1234, max_running=7, auto_return=True)
            self.assertEqual((changed["interval_ms"], changed["max_running"], changed["auto_return"]), (1234, 7, True))
            self.assertEqual(self.panel.options(), changed)
            # The tick is kept in 设置.ini, as the menu item keeps it.
            settings = os.path.join(self.wine.folder, "设置.ini")
            def kept():
                with open(settings, "rb") as f:
                    return "自动退回书签=真" in f.read().decode("gbk", "replace")
            deadline_wait(kept, 20, what="自动退回书签=真 in 设置.ini")
            with self.assertRaises(ApiError) as caught:
                self.panel.set_options(interval_ms="fast")
            self.assertEqual((caught.exception.status, caught.exception.code), (422, "invalid_field"))
            self.assertIn("interval_ms", caught.exception.message)
        finally:
            self.panel.set_options(**original)
        self.assertEqual(self.panel.options(), original)

    def test_launch_list(self):
        self.panel.clear_launch_list()
        rows = [{"name": "一号", "url": "http://list.test/1", "config": ""},
                {"name": "two", "url": "http://list.test/2?q=中文", "config": "C:\\配置\\b.ini"}]
        self.assertEqual(self.panel.add_launch_rows(rows)["added"], 2)
        self.assertEqual(self.panel.launch_list()["rows"], rows)
        # A text GBK cannot hold is refused naming the field, and nothing is added.
        with self.assertRaises(ApiError) as caught:
            self.panel.add_launch_rows([{"name": "\u0e01", "url": "http://x/", "config": ""}])
        self.assertEqual(caught.exception.status, 422)
        self.assertIn("name", caught.exception.message)
        self.assertEqual(self.panel.launch_list()["rows"], rows)
        self.panel.clear_launch_list()
        self.assertEqual(self.panel.launch_list()["rows"], [])

    def test_bookmarks(self):
        self.panel.clear_bookmarks()
        urls = ["http://bm.test/%d" % i for i in range(7)]
        self.assertEqual(self.panel.add_bookmarks(urls)["added"], 7)
        page = self.panel.bookmarks(offset=2, limit=3)
        self.assertEqual(page["total"], 7)
        self.assertEqual([b["url"] for b in page["bookmarks"]], urls[2:5])
        self.assertEqual([b["index"] for b in page["bookmarks"]], [2, 3, 4])
        self.assertTrue(all(b["state"] == "unused" and b["pid"] in (None, 0) for b in page["bookmarks"]))
        self.assertEqual(self.panel.bookmarks(state="opened")["bookmarks"], [])
        self.assertEqual(self.panel.return_bookmarks(indices=[0])["returned"], 0)
        self.panel.reset_bookmarks()
        self.assertEqual(len(self.panel.bookmarks(state="unused")["bookmarks"]), 7)
        self.panel.clear_bookmarks()
        self.assertEqual(self.panel.bookmarks()["total"], 0)

    def test_rules(self):
        while self.panel.rules()["rules"]:
            self.panel.delete_rule(0)
        self.panel.add_rule("#甲", "bookmark")
        self.panel.add_rule("#乙", "link", "http://rule.test/b")
        self.panel.add_rule("#丙", "link", "http://rule.test/c")
        self.assertEqual([r["condition"] for r in self.panel.rules()["rules"]], ["#甲", "#乙", "#丙"])
        self.panel.move_rule(2, 0)
        rules = self.panel.rules()["rules"]
        self.assertEqual([(r["index"], r["condition"], r["action"]) for r in rules],
                         [(0, "#丙", "link"), (1, "#甲", "bookmark"), (2, "#乙", "link")])
        self.assertEqual(rules[0]["link"], "http://rule.test/c")
        self.assertTrue(all(r["hits"] == 0 for r in rules))
        self.panel.delete_rule(1)
        self.assertEqual([r["condition"] for r in self.panel.rules()["rules"]], ["#丙", "#乙"])
        with self.assertRaises(ApiError) as caught:
            self.panel.delete_rule(5)
        self.assertEqual(caught.exception.status, 404)
        with self.assertRaises(ApiError) as caught:
            self.panel.add_rule("#丁", "link")
        self.assertEqual(caught.exception.status, 422)
        self.assertIn("link", caught.exception.message)

    def test_copies_commands_records_and_log(self):
        since = self.panel.health()["last_event"]
        pids = self.start_copies(2)
        copies = {c["pid"]: c for c in self.panel.copies()["copies"]}
        for pid in pids:
            self.assertEqual(set(copies[pid]), {"pid", "title", "state", "last_notice", "notices", "bookmark", "proxy"})
            self.assertEqual(copies[pid]["title"], "Standin %d" % pid)
        self.assertEqual([c["pid"] for c in self.panel.copies(state="running")["copies"] if c["pid"] in pids], pids)

        # Each stand-in sends three link records by itself: six lines in the
        # link record, followed through the byte offsets.
        def links():
            text = self.panel.records("links")["text"]
            return text if sum(text.count("%d-" % p) for p in pids) == 6 else None
        text = deadline_wait(links, 60, 0.3, "six link records")
        for pid in pids:
            for n in (1, 2, 3):
                self.assertIn("%d-%d\r\n" % (pid, n), text)
        whole = self.panel.records("links")
        self.assertEqual(whole["size"], len(whole["text"].encode("gbk")))
        first = self.panel.records("links", after=0, limit=5)
        self.assertEqual(first["text"], whole["text"][:5])
        rest = self.panel.records("links", after=first["next"])
        self.assertEqual(first["text"] + rest["text"], whole["text"])
        self.assertEqual(rest["next"], whole["size"])
        self.assertEqual(self.panel.records("pages")["text"], "")

        rows = self.panel.log(after=since)["rows"]
        self.assertEqual([r["id"] for r in rows], list(range(since + 1, since + 1 + len(rows))))
        link_rows = [r for r in rows if r["kind"] == "link"]
        self.assertEqual(len(link_rows), 6)
        for row in link_rows:
            # The notification as the copy sent it, as the run log shows it.
            self.assertRegex(row["content"], r"^连接码\|\|\|%d■%d-[123]$" % (row["pid"], row["pid"]))
            self.assertRegex(row["time"], r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$")
        limited = self.panel.log(after=since, limit=2)["rows"]
        self.assertEqual(limited, rows[:2])

        self.panel.clear_records("links")
        self.assertEqual(self.panel.records("links")["size"], 0)
        self.panel.clear_records("pages")
        self.assertEqual(self.panel.records("pages"), {"text": "", "next": 0, "size": 0})

        # Every command, to the first copy by pid: what the stand-in reads.
        a, b = pids
        outcomes = {}
        for command, fields in [("flash", {}), ("refresh", {}), ("stop", {}), ("hide", {}), ("show", {}),
                                ("retitle", {}), ("rename", {"name": "改名"}), ("open", {"url": "http://open.test/"}),
                                ("config", {"path": "C:\\配置.ini"}), ("proxy", {"proxy": "10.1.1.1:8080"})]:
            results = self.panel.send(command, pids=[a], **fields)["results"]
            self.assertEqual([r["pid"] for r in results], [a], command)
            outcomes[command] = results[0]["outcome"]
        for command in ("flash", "refresh", "stop", "hide", "show", "retitle", "rename", "open", "config"):
            self.assertEqual(outcomes[command], "acknowledged", command)
        self.assertEqual(outcomes["proxy"], "posted")
        log = self.standin_log(a)
        adjust = received(log)
        for payload in ("vuv|||闪烁", TOOLBAR + "6", TOOLBAR + "4", TOOLBAR + "71", TOOLBAR + "72", TOOLBAR + "98",
                        "基本通讯|||不发送标题|||改名"):
            self.assertIn(payload, adjust)
        self.assertTrue(any(p.endswith("C:\\配置.ini") for p in adjust), adjust)
        self.assertIn("http://open.test/", received(log, MSG_JUMP))
        # Posted: it arrives when the copy reads its messages.
        deadline_wait(lambda: records(self.standin_log(a), "POST"), 20, what="the proxy message at the frame window")
        self.assertEqual(received(self.standin_log(b)), [], "the other copy got nothing")
        # The name the copy took shows in the list.
        deadline_wait(lambda: {c["pid"]: c["title"] for c in self.panel.scan()["copies"]}.get(a) == "改名",
                      20, 0.3, "the new name listed")

        # proxies in turn, then close: posted, and the copies end.
        results = self.panel.send("proxy", pids=[b, a], proxies=["10.2.2.2:1", "10.3.3.3:2"])["results"]
        self.assertEqual([(r["pid"], r["outcome"]) for r in results], [(b, "posted"), (a, "posted")])
        self.assertEqual({c["pid"]: c["proxy"] for c in self.panel.copies()["copies"]}.get(b), "10.2.2.2:1")
        results = self.panel.send("close", pids=pids)["results"]
        self.assertEqual([r["outcome"] for r in results], ["posted", "posted"])
        deadline_wait(lambda: all(any(l.startswith("CLOSE") for l in self.standin_log(p)) for p in pids), 30,
                      what="both copies closed")
        deadline_wait(lambda: not [c for c in self.panel.scan()["copies"] if c["pid"] in pids and
                                   c["state"] == "running"], 30, 0.3, "the closed copies no longer running")
        self.assertEqual(self.panel.return_bookmarks(exited=True)["returned"], 0)

    def test_workspace(self):
        self.panel.clear_launch_list()
        self.panel.clear_bookmarks()
        self.panel.add_launch_rows([{"name": "保存", "url": "http://ws.test/", "config": ""}])
        self.panel.add_bookmarks(["http://ws.test/b1", "http://ws.test/b2"])
        path = windows_path(os.path.join(self.wine.folder, "工作区一.txt"))
        self.panel.save_workspace(path, records=True)
        self.panel.clear_launch_list()
        self.panel.clear_bookmarks()
        self.panel.open_workspace(path)
        self.assertEqual([r["url"] for r in self.panel.launch_list()["rows"]], ["http://ws.test/"])
        self.assertEqual([b["url"] for b in self.panel.bookmarks()["bookmarks"]], ["http://ws.test/b1", "http://ws.test/b2"])
        # A damaged file changes nothing and is answered 422 naming its line.
        damaged = os.path.join(self.wine.folder, "damaged.txt")
        with open(os.path.join(self.wine.folder, "工作区一.txt"), "rb") as f:
            lines = f.read().split(b"\r\n")
        with open(damaged, "wb") as f:
            f.write(b"\r\n".join(lines[:2] + [b"\xff\xfe this is no workspace line"] + lines[2:]))
        with self.assertRaises(ApiError) as caught:
            self.panel.open_workspace(windows_path(damaged))
        self.assertEqual(caught.exception.status, 422)
        self.assertRegex(caught.exception.message, r"\b3\b")
        self.assertEqual([r["url"] for r in self.panel.launch_list()["rows"]], ["http://ws.test/"])


def raw_request(port, method, path, headers=(), body=None, host=None, timeout=20):
    """One request with exactly the given head: (status, headers, body)."""
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=timeout)
    try:
        conn.putrequest(method, path, skip_host=True, skip_accept_encoding=True)
        conn.putheader("Host", host if host is not None else "127.0.0.1:%d" % port)
        for name, value in headers:
            conn.putheader(name, value)
        if body is not None:
            conn.putheader("Content-Length", str(len(body)))
        conn.endheaders(body)
        answer = conn.getresponse()
        if answer.getheader("Content-Type", "").startswith("text/event-stream"):
            return answer.status, answer.getheaders(), b""
        return answer.status, answer.getheaders(), answer.read()
    finally:
        conn.close()


class Security(PanelTestCase):
    """401/403/404/405/413/431 on every route of the OpenAPI document, no
    Access-Control-* header on any answer, the limits on connections."""

    def routes(self):
        document = self.panel.openapi()
        out = []
        for path, item in document["paths"].items():
            for method in item:
                if method in ("get", "post", "delete", "patch", "put"):
                    out.append((method.upper(), path.replace("{index}", "0")))
        self.assertGreaterEqual(len(out), 31)
        return out

    def check(self, status, headers, body, expected, code=None, label=""):
        self.assertEqual(status, expected, "%s: %r" % (label, body[:300]))
        self.assertFalse([h for h, _ in headers if h.lower().startswith("access-control-")], label)
        error = json.loads(body.decode("utf-8"))["error"]
        self.assertTrue(error["message"], label)
        if code is not None:
            self.assertEqual(error["code"], code, label)

    def test_refusals_on_every_route(self):
        port, token = self.wine.port, self.wine.token
        good = [("Authorization", "Bearer " + token)]
        routes = self.routes()
        self.panel.add_rule("#一", "bookmark")
        self.panel.add_rule("#二", "bookmark")
        all_methods = ("GET", "POST", "DELETE", "PATCH", "PUT")
        for method, path in routes:
            label = method + " " + path
            body = b"{}" if method in ("POST", "PATCH") else None
            with self.subTest(route=label):
                self.check(*raw_request(port, method, path, body=body), 401, "unauthorized", label + " no token")
                self.check(*raw_request(port, method, path, [("Authorization", "Bearer " + "0" * 64)], body), 401,
                           "unauthorized", label + " wrong token")
                self.check(*raw_request(port, method, path, [("Authorization", token)], body), 401,
                           "unauthorized", label + " no Bearer")
                for host in ("evil.test:%d" % port, "127.0.0.1:%d" % (port + 1), "127.0.0.1", "attacker.test"):
                    self.check(*raw_request(port, method, path, good, body, host=host), 403, "host_refused",
                               label + " Host " + host)
                for origin in ("http://evil.test", "null", "http://127.0.0.1:%d" % port):
                    self.check(*raw_request(port, method, path, good + [("Origin", origin)], body), 403,
                               "origin_refused", label + " Origin " + origin)
                self.check(*raw_request(port, method, path.rstrip("/") + "/nothing", good, body), 404, "not_found",
                           label + " unknown path")
                others = [m for m in all_methods if (m, path) not in routes]
                for other in others:
                    self.check(*raw_request(port, other, path, good, b"{}" if other != "GET" else None), 405,
                               "method_not_allowed", label + " " + other)
                self.check(*raw_request(port, method, path, good + [("X-Pad", "a" * 9000)], body), 431, None,
                           label + " head over 8 KB")
                status, headers, answer = raw_request(port, method, path, good + [("Content-Length", "2000000")])
                self.check(status, headers, answer, 413, None, label + " body over 1 MB")
                # With everything right, the route exists (whatever its body says).
                status, headers, answer = raw_request(port, method, path, good, body)
                self.assertNotIn(status, (401, 403, 404, 405, 413, 431), label)
                self.assertLess(status, 500, label)
                self.assertFalse([h for h, _ in headers if h.lower().startswith("access-control-")], label)
        # Hosts the panel accepts: its address, localhost and [::1], with the port.
        for host in ("127.0.0.1:%d" % port, "localhost:%d" % port, "[::1]:%d" % port):
            self.assertEqual(raw_request(port, "GET", "/v1/health", good, host=host)[0], 200, host)
        for path in ("/", "/v2/health", "/v1", "/v1/", "/v1/rules/abc", "/v1/rules/99999"):
            self.check(*raw_request(port, "GET" if "rules" not in path else "DELETE", path, good), 404, "not_found",
                       path)

    def test_the_token_in_the_query_counts_on_the_event_stream_alone(self):
        port, token = self.wine.port, self.wine.token
        status, headers, _ = raw_request(port, "GET", "/v1/events?token=" + token)
        self.assertEqual(status, 200)
        self.assertTrue(dict((k.lower(), v) for k, v in headers)["content-type"].startswith("text/event-stream"))
        self.check(*raw_request(port, "GET", "/v1/events?token=" + "1" * 64), 401, "unauthorized", "wrong query token")
        for path in ("/v1/health", "/v1/copies", "/v1/log"):
            self.check(*raw_request(port, "GET", path + "?token=" + token), 401, "unauthorized", path)
        # Nor is the token written to the panel's log.
        self.assertNotIn(token, self.wine.wine_log())

    def test_connections_beyond_the_limit_are_refused_and_idle_ones_closed(self):
        port = self.wine.port
        idle = []
        try:
            for _ in range(64):
                idle.append(socket.create_connection(("127.0.0.1", port), timeout=10))
            started = time.monotonic()
            # The 65th gets no answer: closed at once or refused.
            with self.assertRaises((OSError, http.client.HTTPException)):
                raw_request(port, "GET", "/v1/health", [("Authorization", "Bearer " + self.wine.token)], timeout=10)
            # Idle connections are closed after 30 s; then requests are answered again.
            for s in idle:
                s.settimeout(max(1.0, 60 - (time.monotonic() - started)))
                try:
                    self.assertEqual(s.recv(1), b"")
                except ConnectionResetError:
                    pass
            self.assertLess(time.monotonic() - started, 60)
            self.assertGreater(time.monotonic() - started, 20)
            self.assertIn("version", self.panel.health())
        finally:
            for s in idle:
                s.close()


def hostile_requests(token, port):
    """Malformed requests, as raw bytes each with what an answer may be:
    broken JSON, wrong types, huge numbers, deep nesting, invalid UTF-8,
    texts outside GBK, broken heads. None of them is a valid call."""
    auth = "Authorization: Bearer %s\r\n" % token
    host = "Host: 127.0.0.1:%d\r\n" % port

    def post(path, body, method="POST"):
        if isinstance(body, str):
            body = body.encode("utf-8")
        return (("%s %s HTTP/1.1\r\n%s%sContent-Type: application/json\r\nContent-Length: %d\r\n\r\n"
                 % (method, path, host, auth, len(body))).encode("ascii") + body)

    bodies = {
        "/v1/commands": ['{', '{"command":', '{"command":"flash","target":{}}', '{"command":"explode","target":{"all":true}}',
                         '{"command":"flash","target":{"pids":"1"}}', '{"command":"flash","target":{"pids":[-1]}}',
                         '{"command":"flash","target":{"pids":[1e400]}}', '{"command":"rename","target":{"all":true}}',
                         '{"command":"rename","target":{"all":true},"name":"\u0e01"}',
                         '{"command":"flash","target":{"state":"sleepy"}}', '{"command":"proxy","target":{"all":true}}',
                         '{"command":"open","target":{"all":false},"url":"x"}', '[' * 5000 + ']' * 5000, '"flash"'],
        "/v1/browsers": ['{"count":"10"}', '{"count":-1}', '{"count":0}', '{"count":1e308}',
                         '{"count":99999999999999999999999999}', '{"count":1.5}', '{"count":null}', '{}', '[]', 'null'],
        "/v1/bookmarks": ['{"urls":5}', '{"urls":[5]}', '{"urls":["\u0e01"]}', '{"urls":[{"a":1}]}', '{"urls":"x"}',
                          r'{"urls":["\ud800"]}', '{"urls":[[[[[[]]]]]]}'],
        "/v1/launch": ['{"rows":"some"}', '{"rows":[-5]}', '{"rows":[1e20]}', '{"rows":[[]]}', '{"rows":{}}'],
        "/v1/launch-list": ['{"rows":[{"name":1}]}', '{"rows":[{"url":"\u0e01"}]}', '{"rows":"x"}', '{"rows":[5]}'],
        "/v1/rules": ['{"condition":5,"action":"link"}', '{"condition":"a","action":"dance"}',
                      '{"condition":"a","action":"link"}', '{"condition":"\u0e01","action":"bookmark"}'],
        "/v1/rules/0/move": ['{"to":"first"}', '{"to":-1}', '{"to":1e300}'],
        "/v1/bookmarks/return": ['{}', '{"exited":false}', '{"indices":"all"}', '{"indices":[1.5]}'],
        "/v1/workspace/open": ['{"path":5}', '{"path":"\u0e01.txt"}', '{}'],
        "/v1/workspace/save": ['{"path":null}', '{"records":true}'],
    }
    out = []
    for path, variants in bodies.items():
        for body in variants:
            out.append((post(path, body), (400, 404, 409, 413, 422)))
    out.append((post("/v1/options", '{"interval_ms":"x"}', "PATCH"), (400, 422)))
    out.append((post("/v1/options", '{"wap":1}', "PATCH"), (400, 422)))
    out.append((post("/v1/bookmarks", b'{"urls":["\xff\xfe\xc0\x80"]}'), (400, 422)))
    out.append((post("/v1/bookmarks", b'{"urls":["a"]}\x00garbage'), (400, 422)))
    out.append((post("/v1/commands", "[" * 300000), (400, 422)))
    heads = [
        b"GET\r\n\r\n", b"FOO /v1/health HTTP/1.1\r\n" + host.encode() + auth.encode() + b"\r\n",
        b"GET /v1/copies?state=%zz HTTP/1.1\r\n" + host.encode() + auth.encode() + b"\r\n",
        b"GET /v1/bookmarks?offset=-1&limit=99999999999999999999 HTTP/1.1\r\n" + host.encode() + auth.encode() + b"\r\n",
        b"GET /v1/log?after=x HTTP/1.1\r\n" + host.encode() + auth.encode() + b"\r\n",
        b"GET /v1/health HTTP/9.9\r\n" + host.encode() + auth.encode() + b"\r\n",
        b"GET /v1/health HTTP/1.1\r\n" + auth.encode() + b"\r\n",
        b"GET /v1/health HTTP/1.1\r\nno colon here\r\n" + host.encode() + auth.encode() + b"\r\n",
        b"POST /v1/scan HTTP/1.1\r\n" + host.encode() + auth.encode() + b"Transfer-Encoding: chunked\r\n\r\nzz\r\n",
        b"POST /v1/scan HTTP/1.1\r\n" + host.encode() + auth.encode() + b"Content-Length: -4\r\n\r\n",
        b"GET /v1/\xff\xfe HTTP/1.1\r\n" + host.encode() + auth.encode() + b"\r\n",
        b"\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03" + bytes(range(256)) * 2,
    ]
    for head in heads:
        out.append((head, None))  # any 4xx, or the connection closed without an answer
    return out


def send_raw(port, data, timeout=35):
    """Sends bytes, half-closes, reads the answer: its status or None."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        try:
            s.sendall(data)
            s.shutdown(socket.SHUT_WR)
        except OSError:
            pass
        answer = b""
        try:
            while b"\r\n" not in answer:
                piece = s.recv(4096)
                if not piece:
                    break
                answer += piece
        except OSError:
            pass
    m = re.match(rb"HTTP/1\.[01] (\d{3}) ", answer)
    return int(m.group(1)) if m else None


def resident_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


class Hostile(PanelTestCase):
    """10,000 malformed requests, slow and half-closed connections among
    them: the panel keeps answering, grows by less than 10 MB and logs no
    exception (checked when the class ends)."""

    def test_ten_thousand_malformed_requests(self):
        port = self.wine.port
        kinds = hostile_requests(self.wine.token, port)
        total = 10000
        # Slow clients meanwhile: a head sent a byte at a time, and a
        # connection that sends half a head and waits.
        slow_done = []

        def slow():
            with socket.create_connection(("127.0.0.1", port), timeout=40) as s:
                head = ("GET /v1/health HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n" % port).encode()
                started = time.monotonic()
                try:
                    for i in range(len(head)):
                        s.sendall(head[i:i + 1])
                        time.sleep(0.5)
                    s.recv(1)
                except OSError:
                    pass
                slow_done.append(time.monotonic() - started)
        slow_threads = [threading.Thread(target=slow, daemon=True) for _ in range(4)]
        for t in slow_threads:
            t.start()

        def run(count, offset):
            bad = []
            for i in range(count):
                data, allowed = kinds[(offset + i) % len(kinds)]
                status = send_raw(port, data)
                if status is not None and (status >= 500 or status < 400 or (allowed and status not in allowed)):
                    bad.append((status, data[:120]))
            return bad

        warm = run(len(kinds), 0)
        self.assertEqual(warm, [])
        before = resident_kb(self.wine.process.pid)
        failures = []
        shares = [(total - len(kinds) + k) // 4 for k in range(4)]  # adding up to the rest
        threads = [threading.Thread(target=lambda k=k: failures.extend(run(shares[k], k * 7))) for k in range(4)]
        started = time.monotonic()
        for t in threads:
            t.start()
        for t in threads:
            t.join(240)
        self.assertFalse([t for t in threads if t.is_alive()], "requests still running after 240 s")
        elapsed = time.monotonic() - started
        self.assertEqual(failures[:10], [])
        for t in slow_threads:
            t.join(60)
        self.assertEqual(len(slow_done), 4)
        self.assertTrue(all(d < 40 for d in slow_done), slow_done)
        self.assertIn("version", self.panel.health())
        after = resident_kb(self.wine.process.pid)
        sys.stderr.write("%d malformed requests in %.1f s; resident %d KB -> %d KB\n"
                         % (len(kinds) + sum(shares), elapsed, before, after))
        self.assertLess(after - before, 10 * 1024)
        self.assertEqual(self.panel.copies()["copies"], [], "no malformed request started a copy")


class CuttingProxy:
    """Forwards loopback connections to the panel, rewriting the Host
    header to the panel's port, and cuts the n-th connection after cuts[n]
    bytes of the answer (later ones pass whole): a dropped event stream."""

    def __init__(self, target_port, cuts):
        self.target = target_port
        self.cuts = list(cuts)
        self.connections = 0
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(8)
        self.port = self.listener.getsockname()[1]
        self.alive = True
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while self.alive:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            cut = self.cuts[self.connections] if self.connections < len(self.cuts) else None
            self.connections += 1
            upstream = socket.create_connection(("127.0.0.1", self.target))
            threading.Thread(target=self._up, args=(client, upstream), daemon=True).start()
            threading.Thread(target=self._down, args=(upstream, client, cut), daemon=True).start()

    def _up(self, client, upstream):
        first = True
        try:
            while True:
                data = client.recv(65536)
                if not data:
                    break
                if first:
                    data = data.replace(b"127.0.0.1:%d" % self.port, b"127.0.0.1:%d" % self.target)
                    first = False
                upstream.sendall(data)
        except OSError:
            pass

    def _down(self, upstream, client, cut):
        passed = 0
        try:
            while True:
                data = upstream.recv(65536)
                if not data:
                    break
                if cut is not None and passed + len(data) >= cut:
                    client.sendall(data[:cut - passed])
                    break
                passed += len(data)
                client.sendall(data)
        except OSError:
            pass
        for s in (client, upstream):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            s.close()

    def close(self):
        self.alive = False
        self.listener.close()


class Events(PanelTestCase):
    """4 copies × 1,000 notifications: 4,000 events with consecutive ids on
    one stream; a stream cut twice mid-way and one dropped and resumed by hand
    miss none."""

    SENDERS = 4
    EACH = 1000
    environment = {"VUV_STANDIN_OPTIONS": "--standin-notify=%d,0" % EACH}

    def test_every_notification_is_one_event_on_every_stream(self):
        total = self.SENDERS * self.EACH
        since = self.panel.health()["last_event"]
        proxy = CuttingProxy(self.wine.port, cuts=[30000, 150000])
        self.addCleanup(proxy.close)
        through_cuts = Panel("http://127.0.0.1:%d" % proxy.port, self.wine.token, timeout=30)

        def links(events):
            return sum(1 for e in events if e.kind == "link") >= total

        results = {}
        finished = {}

        def follow(name, generator):
            try:
                results[name] = collect(generator, links, 150, name)
                finished[name] = time.monotonic()
            except BaseException as error:
                results[name] = error

        def by_hand():
            # Goes away after 1,000 events and comes back with the last id it had.
            try:
                first = collect(self.panel.events(after=since), lambda e: len(e) >= 1000, 100, "1,000 events")
                rest = collect(self.panel.events(after=first[-1].id), lambda e: links(first + e), 100,
                               "the rest after resuming")
                results["by hand"] = first + rest
            except BaseException as error:
                results["by hand"] = error

        readers = [threading.Thread(target=follow, args=("direct", self.panel.events(after=since))),
                   threading.Thread(target=follow, args=("cut", through_cuts.events(after=since, reconnect_delay=0.2))),
                   threading.Thread(target=by_hand)]
        for reader in readers:
            reader.start()
        started = time.monotonic()
        self.panel.start_browsers(self.SENDERS)
        for reader in readers:
            reader.join(210)
        self.assertEqual(sorted(results), ["by hand", "cut", "direct"])
        if "direct" in finished:
            sys.stderr.write("%d link events on one stream %.1f s after the copies were asked for (%.0f/s, the "
                             "copies' start included)\n" % (total, finished["direct"] - started,
                                                              total / (finished["direct"] - started)))

        for name, events in results.items():
            with self.subTest(stream=name):
                if isinstance(events, BaseException):
                    raise events
                self.assertEqual([e.kind for e in events if e.kind == "gap"], [])
                ids = [e.id for e in events]
                self.assertEqual(ids, list(range(since + 1, since + 1 + len(ids))), "ids consecutive, none twice")
                by_pid = {}
                for e in events:
                    if e.kind == "link":
                        pid, n = link_text(e.content).split("-")
                        self.assertEqual(int(pid), e.pid)
                        by_pid.setdefault(e.pid, []).append(int(n))
                self.assertEqual(len(by_pid), self.SENDERS)
                for numbers in by_pid.values():
                    self.assertEqual(numbers, list(range(1, self.EACH + 1)))
        self.assertGreaterEqual(proxy.connections, 3, "the cut stream was opened again after each cut")


class Commands(PanelTestCase):
    """A command to 50 copies by state."""

    def test_commands_by_state_to_fifty_copies(self):
        self.panel.set_options(interval_ms=50, max_running=0, jitter_ms=0)
        pids = self.start_copies(50, timeout=150)
        table = [c["pid"] for c in self.panel.copies(state="running")["copies"]]
        results = self.panel.send("flash", state="running")["results"]
        self.assertEqual([r["pid"] for r in results], table)
        self.assertEqual({r["outcome"] for r in results}, {"acknowledged"})
        for pid in pids:
            self.assertIn("vuv|||闪烁", received(self.standin_log(pid)), pid)

        # Three more that hang and five that end by themselves: a walk's rows
        # put their address on the copy's command line, and a stand-in takes
        # its options from there.
        hanging, ending = "--standin-stall-at=500,200000", "--standin-exit-ms=15000"
        self.panel.add_launch_rows([{"name": "hangs", "url": hanging, "config": ""}] * 3 +
                                   [{"name": "ends", "url": ending, "config": ""}] * 5)
        self.panel.start_launch("all")

        def started_with(option):
            return sorted(pid for pid, lines in self.wine.standin_logs().items()
                          if any(option in bytes.fromhex(f[0]).decode("gbk", "replace") for f in records(lines, "CMDLINE")))

        def hung_and_listed():
            copies = self.panel.scan()["copies"]
            found = sorted(c["pid"] for c in copies if c["state"] == "hung")
            listed = {c["pid"] for c in copies}
            ends = started_with(ending)
            return found if len(found) == 3 and len(ends) == 5 and set(ends) <= listed else None
        hung = deadline_wait(hung_and_listed, 90, 0.5, "three copies shown hung, five more listed")
        self.assertEqual(hung, started_with(hanging))
        ended = started_with(ending)
        results = self.panel.send("refresh", state="hung")["results"]
        self.assertEqual(sorted(r["pid"] for r in results), hung)
        self.assertLessEqual({r["outcome"] for r in results}, {"timeout", "refused"})

        # No scan from here on: a scan takes rows of ended copies away.
        deadline_wait(lambda: sorted(c["pid"] for c in self.panel.copies(state="exited")["copies"]) == ended,
                      60, 0.3, "the five copies that ended shown exited")
        results = self.panel.send("refresh", state="exited")["results"]
        self.assertEqual(sorted(r["pid"] for r in results), ended)
        self.assertEqual({r["outcome"] for r in results}, {"gone"}, "their windows are gone: nothing is sent")

        # Closed through the interface: their rows go at once, and a command
        # naming them finds no copy.
        closing = pids[::5]
        results = self.panel.send("close", pids=closing)["results"]
        self.assertEqual([(r["pid"], r["outcome"]) for r in results], [(p, "posted") for p in closing])
        self.assertFalse({c["pid"] for c in self.panel.copies()["copies"]} & set(closing))
        results = self.panel.send("refresh", pids=closing)["results"]
        self.assertEqual([r["pid"] for r in results], closing)
        # Nothing sent: no such copy.
        self.assertEqual({r["outcome"] for r in results}, {"gone"})
        results = self.panel.send("refresh", state="running")["results"]
        self.assertEqual(sorted(r["pid"] for r in results), sorted(set(pids) - set(closing)))
        self.assertEqual({r["outcome"] for r in results}, {"acknowledged"})
        for pid in pids + ended:
            expected = 0 if pid in closing or pid in ended else 1
            self.assertEqual(received(self.standin_log(pid)).count(TOOLBAR + "6"), expected, pid)
        health = self.panel.health()
        self.assertEqual(health["copies"], {"running": 40, "hung": 3, "exited": 5})


class Walk(PanelTestCase):
    """A walk started, followed through the events and ended."""

    def test_walk_started_followed_and_ended(self):
        rows = [{"name": "行%d" % i, "url": "http://walk.test/%d" % i, "config": ""} for i in range(1, 4)]
        self.panel.add_launch_rows(rows)
        self.panel.set_options(interval_ms=1500, max_running=0, jitter_ms=0)
        since = self.panel.health()["last_event"]
        self.assertEqual(self.panel.start_launch("all")["walking"], True)
        first = collect(self.panel.events(after=since), lambda e: any(x.kind == "launch" for x in e), 60,
                        "the first launch event")
        with self.assertRaises(ApiError) as caught:
            self.panel.start_launch([0])
        self.assertEqual(caught.exception.status, 409)
        self.assertTrue(self.panel.launch_status()["walking"])
        ended = self.panel.end_launch()
        sys.stderr.write("DELETE /v1/launch answered %r\n" % (ended,))
        # The walk stops at its next look at the flag, inside its pause.
        deadline_wait(lambda: not self.panel.launch_status()["walking"], 10, 0.1, "the walk ended")
        status = self.panel.launch_status()
        self.assertEqual((status["walking"], status["started"], status["remaining"]), (False, 1, 0))

        # A second walk of all three rows, followed to its end: by then the
        # first walk's second row would have started long ago had it gone on.
        self.assertEqual(self.panel.start_launch("all")["walking"], True)
        later = collect(self.panel.events(after=first[-1].id), lambda e: sum(x.kind == "launch" for x in e) >= 3, 90,
                        "the second walk's starts")
        deadline_wait(lambda: not self.panel.launch_status()["walking"], 60, 0.3, "the second walk's end")
        status = self.panel.launch_status()
        self.assertEqual((status["started"], status["failed"], status["remaining"]), (3, 0, 0))
        launches = [e for e in first + later if e.kind == "launch"]
        self.assertEqual(len(launches), 4)
        deadline_wait(lambda: len(self.wine.standin_logs()) == 4 and all(
            records(lines, "WINDOWS") for lines in self.wine.standin_logs().values()), 60, 0.3, "four copies started")
        command_lines = sorted(bytes.fromhex(records(lines, "CMDLINE")[0][0]).decode("gbk")
                               for lines in self.wine.standin_logs().values())
        self.assertEqual(sum("walk.test/1" in c for c in command_lines), 2)
        self.assertEqual(sum("walk.test/2" in c for c in command_lines), 1)
        self.assertEqual(sum("walk.test/3" in c for c in command_lines), 1)
        self.assertFalse(self.panel.health()["walking"])


class Example(PanelTestCase):
    """docs/api_example.py against stand-ins that ask for bookmarks and
    report the address they opened as a link code."""

    environment = {"VUV_STANDIN_OPTIONS": "--standin-bookmarks=1"}

    def test_the_documented_example_runs(self):
        example = os.path.join(ROOT, "docs", "api_example.py")
        with open(os.path.join(ROOT, "docs", "api.md"), encoding="utf-8") as f, open(example, encoding="utf-8") as e:
            self.assertIn(e.read(), f.read(), "docs/api.md shows the script as it is")
        self.panel.set_options(interval_ms=100)
        env = dict(os.environ, VUV_URL=self.wine.url, VUV_TOKEN=self.wine.token,
                   PYTHONPATH=os.path.join(ROOT, "clients", "python"))
        done = subprocess.run([sys.executable, example], env=env, capture_output=True, text=True, timeout=200)
        sys.stdout.write("\n--- docs/api_example.py ---\n" + done.stdout + done.stderr + "---\n")
        self.assertEqual(done.returncode, 0, done.stderr)
        codes = eval(done.stdout.strip().splitlines()[-1])  # the sorted list the script prints last
        self.assertEqual(len(codes), 10)
        addresses = sorted("http://example.com/item/%d" % i for i in range(1, 11))
        self.assertEqual(sorted(c.split("#")[0] for c in codes), addresses)
        self.assertEqual(len({c.split("#")[1] for c in codes}), 10, "ten different copies")
        opened = self.panel.bookmarks(state="opened")["bookmarks"]
        self.assertEqual(sorted(b["url"] for b in opened), addresses)
        copies = {c["pid"]: c for c in self.panel.scan()["copies"]}
        for b in opened:
            self.assertIn(b["pid"], copies)
            self.assertRegex(b["time"], r"^\d{4}-\d\d-\d\dT")
        self.assertEqual(self.panel.return_bookmarks(indices=[opened[0]["index"]])["returned"], 1)
        self.assertEqual(self.panel.bookmarks(state="unused")["total"], 1)

        # The command line against the same panel.
        def cli(*argv):
            done = subprocess.run([sys.executable, "-m", "vuv_client"] + list(argv), env=env, capture_output=True,
                                  text=True, timeout=60, cwd=HERE)
            self.assertEqual(done.returncode, 0, done.stderr)
            return done.stdout
        listed = json.loads(cli("copies", "--state", "running"))["copies"]
        self.assertEqual(sorted(c["pid"] for c in listed), sorted(copies))
        urls = os.path.join(self.wine.folder, "urls.txt")
        with open(urls, "w", encoding="utf-8") as f:
            f.write("http://cli.test/1\nhttp://cli.test/二\n")
        self.assertEqual(json.loads(cli("bookmarks", "add", urls))["added"], 2)
        last = self.panel.health()["last_event"]
        results = json.loads(cli("send", "refresh", "--state", "running"))["results"]
        self.assertEqual(len(results), 10)
        self.assertEqual({r["outcome"] for r in results}, {"acknowledged"})
        lines = cli("events", "--after", str(last), "--kinds", "command", "--count", "10").splitlines()
        self.assertEqual(sorted(json.loads(line)["data"]["pid"] for line in lines), sorted(copies))
        denied = subprocess.run([sys.executable, "-m", "vuv_client", "health"], capture_output=True, text=True,
                                timeout=60, cwd=HERE, env=dict(env, VUV_TOKEN="f" * 64))
        self.assertEqual(denied.returncode, 1)
        self.assertIn("401", denied.stderr)


if __name__ == "__main__":
    unittest.main()
