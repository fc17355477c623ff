"""Client for the vuv panel's automation interface (HTTP + JSON, loopback).

Standard library only: copy this one file next to a script, or install the
folder with pip. Every method of Panel answers the decoded JSON of the
panel's answer; an answer that is not 2xx raises ApiError with its status,
error code and message.

    from vuv_client import Panel
    panel = Panel("http://127.0.0.1:17801", token)
    panel.start_browsers(3)
    for event in panel.events():
        print(event.id, event.kind, event.content)

The token travels only in the Authorization header, never in a URL. The
client talks to the panel directly: proxies named by the environment are not
used (they would see the token) and redirects are not followed.

Command line: python3 -m vuv_client --help (URL and token from --url/--token
or the environment variables VUV_URL and VUV_TOKEN).
"""

import argparse
import http.client
import json
import os
import socket
import sys
import time
import urllib.error
import urllib.parse
import urllib.request

__all__ = ["Panel", "ApiError", "Event", "main"]
__version__ = "1.0"

DEFAULT_URL = "http://127.0.0.1:17801"

STATES = ("running", "hung", "exited")
COMMANDS = ("flash", "config", "refresh", "stop", "hide", "show", "retitle",
            "rename", "open", "proxy", "close")
RECORDS = ("links", "pages")


class ApiError(Exception):
    """An answer that is not 2xx: status (int), code and message (str).

    status is 0 when the panel could not be reached at all.
    """

    def __init__(self, status, code, message, body=None):
        super().__init__("%s %s: %s" % (status, code, message))
        self.status = status
        self.code = code
        self.message = message
        self.body = body


class Event:
    """One row of the run log from the event stream (or a gap notice).

    id is the row's number (None for a gap), kind the event name, data the
    decoded JSON; time, pid and content are the row's fields.
    """

    __slots__ = ("id", "kind", "data")

    def __init__(self, id, kind, data):
        self.id = id
        self.kind = kind
        self.data = data

    @property
    def time(self):
        return self.data.get("time") if isinstance(self.data, dict) else None

    @property
    def pid(self):
        return self.data.get("pid") if isinstance(self.data, dict) else None

    @property
    def content(self):
        return self.data.get("content") if isinstance(self.data, dict) else None

    def __eq__(self, other):
        return isinstance(other, Event) and (self.id, self.kind, self.data) == (other.id, other.kind, other.data)

    def __repr__(self):
        return "Event(id=%r, kind=%r, data=%r)" % (self.id, self.kind, self.data)


class _NoRedirect(urllib.request.HTTPRedirectHandler):
    # A redirect would carry the Authorization header elsewhere.
    def redirect_request(self, req, fp, code, msg, headers, newurl):
        return None


def _error_from(status, raw):
    """ApiError from an error answer's body ({"error": {"code", "message"}})."""
    text = raw.decode("utf-8", "replace") if raw else ""
    try:
        body = json.loads(text)
        error = body["error"]
        return ApiError(status, str(error.get("code", status)), str(error.get("message", "")), body)
    except (ValueError, KeyError, TypeError, AttributeError):
        return ApiError(status, "http_%d" % status, text.strip() or http.client.responses.get(status, ""), None)


def _target(pids=None, state=None, all=False):
    given = sum(x is not None and x is not False for x in (pids, state, all or None))
    if given != 1:
        raise ValueError("name exactly one target: pids, state or all")
    if pids is not None:
        return {"pids": [int(p) for p in pids]}
    if state is not None:
        return {"state": state}
    return {"all": True}


def _query(**values):
    pairs = [(k, v) for k, v in values.items() if v is not None]
    return ("?" + urllib.parse.urlencode(pairs)) if pairs else ""


class Panel:
    """The panel's interface at url, with its token.

    timeout bounds every request in seconds (the event stream has its own
    idle limit, see events()).
    """

    def __init__(self, url=None, token=None, timeout=30.0):
        url = url or os.environ.get("VUV_URL") or DEFAULT_URL
        token = token if token is not None else os.environ.get("VUV_TOKEN")
        if not token:
            raise ValueError("a token is needed (argument, or the environment variable VUV_TOKEN)")
        self.url = url.rstrip("/")
        self.token = token
        self.timeout = timeout
        self._opener = urllib.request.build_opener(urllib.request.ProxyHandler({}), _NoRedirect())

    def __repr__(self):
        # Never the token: reprs end up in logs.
        return "Panel(%r)" % self.url

    # -- plumbing ---------------------------------------------------------

    def _open(self, method, path, body=None, headers=None, timeout=None):
        data = None
        all_headers = {"Authorization": "Bearer " + self.token, "Accept": "application/json"}
        if body is not None:
            data = json.dumps(body, ensure_ascii=False).encode("utf-8")
            all_headers["Content-Type"] = "application/json"
        all_headers.update(headers or {})
        request = urllib.request.Request(self.url + path, data=data, method=method, headers=all_headers)
        try:
            return self._opener.open(request, timeout=self.timeout if timeout is None else timeout)
        except urllib.error.HTTPError as error:
            try:
                raw = error.read()
            except (OSError, http.client.HTTPException):
                raw = b""
            finally:
                error.close()
            raise _error_from(error.code, raw) from None

    def request(self, method, path, body=None):
        """Any request: the decoded JSON answer, or None for an empty one."""
        try:
            with self._open(method, path, body) as answer:
                raw = answer.read()
        except urllib.error.URLError as error:
            raise ApiError(0, "unreachable", "%s: %s" % (self.url, error.reason)) from None
        except (OSError, http.client.HTTPException) as error:
            raise ApiError(0, "unreachable", "%s: %s" % (self.url, error)) from None
        if not raw.strip():
            return None
        try:
            return json.loads(raw.decode("utf-8"))
        except ValueError:
            raise ApiError(answer.status, "bad_answer", "not JSON: %r" % raw[:200]) from None

    # -- state ------------------------------------------------------------

    def health(self):
        """{"version", "copies": {...}, "bookmarks": {...}, "walking", "last_event"}."""
        return self.request("GET", "/v1/health")

    def copies(self, state=None):
        """{"copies": [...]} in the table's order, optionally of one state."""
        return self.request("GET", "/v1/copies" + _query(state=state))

    def scan(self):
        """Looks for running copies again (as 检测鹭行); the new list."""
        return self.request("POST", "/v1/scan")

    def send(self, command, pids=None, state=None, all=False, **fields):
        """A command to copies named by pids, by state or all of them.

        fields are the command's own: path (config), name (rename), url
        (open), proxy or proxies (proxy). Answers {"results": [...]}.
        """
        body = {"command": command, "target": _target(pids, state, all)}
        body.update({k: v for k, v in fields.items() if v is not None})
        return self.request("POST", "/v1/commands", body)

    # -- launching --------------------------------------------------------

    def launch_list(self):
        return self.request("GET", "/v1/launch-list")

    def add_launch_rows(self, rows):
        """rows: dicts with "name", "url", "config". Answers {"added": n}."""
        return self.request("POST", "/v1/launch-list", {"rows": list(rows)})

    def clear_launch_list(self):
        return self.request("DELETE", "/v1/launch-list")

    def start_launch(self, rows="all"):
        """Starts a walk over the launch list: "all" or a list of row indices."""
        return self.request("POST", "/v1/launch", {"rows": rows if rows == "all" else [int(r) for r in rows]})

    def launch_status(self):
        """{"walking", "started", "failed", "remaining"}."""
        return self.request("GET", "/v1/launch")

    def end_launch(self):
        return self.request("DELETE", "/v1/launch")

    def start_browsers(self, count):
        """Starts count copies of the browser, paced like a walk."""
        return self.request("POST", "/v1/browsers", {"count": int(count)})

    # -- bookmarks --------------------------------------------------------

    def bookmarks(self, state=None, offset=None, limit=None):
        """{"total", "bookmarks": [...]}, optionally of one state, one page."""
        return self.request("GET", "/v1/bookmarks" + _query(state=state, offset=offset, limit=limit))

    def add_bookmarks(self, urls):
        return self.request("POST", "/v1/bookmarks", {"urls": list(urls)})

    def return_bookmarks(self, indices=None, exited=False):
        """Gives bookmarks back by index, or those of copies that exited."""
        if (indices is None) == (not exited):
            raise ValueError("name either indices or exited=True")
        body = {"exited": True} if exited else {"indices": [int(i) for i in indices]}
        return self.request("POST", "/v1/bookmarks/return", body)

    def reset_bookmarks(self):
        """Every bookmark back to unused."""
        return self.request("POST", "/v1/bookmarks/reset")

    def clear_bookmarks(self):
        return self.request("DELETE", "/v1/bookmarks")

    # -- rules ------------------------------------------------------------

    def rules(self):
        return self.request("GET", "/v1/rules")

    def add_rule(self, condition, action="bookmark", link=None):
        """Appends a rule: a notification text and "bookmark" or "link" (with link)."""
        body = {"condition": condition, "action": action}
        if link is not None:
            body["link"] = link
        return self.request("POST", "/v1/rules", body)

    def delete_rule(self, index):
        return self.request("DELETE", "/v1/rules/%d" % int(index))

    def move_rule(self, index, to):
        return self.request("POST", "/v1/rules/%d/move" % int(index), {"to": int(to)})

    # -- records and the log ----------------------------------------------

    def records(self, kind, after=None, limit=None):
        """One piece of a record ("links" or "pages"): {"text", "next", "size"}.

        after and next are byte offsets: pass the answer's next to read on.
        """
        if kind not in RECORDS:
            raise ValueError("kind is one of %s" % ", ".join(RECORDS))
        return self.request("GET", "/v1/records/%s%s" % (kind, _query(after=after, limit=limit)))

    def clear_records(self, kind):
        if kind not in RECORDS:
            raise ValueError("kind is one of %s" % ", ".join(RECORDS))
        return self.request("DELETE", "/v1/records/" + kind)

    def log(self, after=None, limit=None):
        """Rows of the run log after an event id, as one JSON page."""
        return self.request("GET", "/v1/log" + _query(after=after, limit=limit))

    # -- options and workspace --------------------------------------------

    def options(self):
        return self.request("GET", "/v1/options")

    def set_options(self, **changes):
        """Changes options by name (interval_ms=500, auto_return=True, ...)."""
        return self.request("PATCH", "/v1/options", changes)

    def save_workspace(self, path, records=False):
        return self.request("POST", "/v1/workspace/save", {"path": path, "records": bool(records)})

    def open_workspace(self, path):
        return self.request("POST", "/v1/workspace/open", {"path": path})

    def openapi(self):
        """The interface's OpenAPI 3 document."""
        return self.request("GET", "/v1/openapi.json")

    def cluster(self):
        """The shared queue and the live panels of its group ("connection": "off" while it is off)."""
        return self.request("GET", "/v1/cluster")

    # -- the event stream -------------------------------------------------

    def events(self, after=None, retry_for=30.0, idle_timeout=45.0, reconnect_delay=1.0):
        """Yields Event objects from the run log as they come, forever.

        after: the id of the last event already seen (None: from the oldest
        row the panel still holds; health()["last_event"] gives "from now
        on"). A dropped connection is
        opened again with Last-Event-ID, so no row is missed or repeated;
        rows the panel's log no longer holds are announced by an Event of
        kind "gap" whose data is {"from", "to"}.

        retry_for: seconds to keep trying to reconnect before raising
        ApiError (status 0); None tries forever. idle_timeout: a connection
        that brings nothing, not even the keep-alive comment the panel sends
        every 15 s, for that long counts as dropped. An error answer (401,
        403, ...) is raised at once, not retried.
        """
        last_id = after
        delay = reconnect_delay
        failing_since = None
        while True:
            headers = {"Accept": "text/event-stream", "Cache-Control": "no-cache"}
            if last_id is not None:
                headers["Last-Event-ID"] = str(last_id)
            answer = None
            try:
                answer = self._open("GET", "/v1/events", headers=headers, timeout=idle_timeout)
                failing_since = None
                for event, retry in _read_stream(answer):
                    if retry is not None:
                        delay = retry / 1000.0
                        continue
                    if event.id is not None:
                        last_id = event.id
                    yield event
            except ApiError as error:
                if error.status != 503:
                    raise
            except (OSError, http.client.HTTPException, urllib.error.URLError):
                pass  # dropped or refused: try again below
            finally:
                if answer is not None:
                    answer.close()
            now = time.monotonic()
            if failing_since is None:
                failing_since = now
            elif retry_for is not None and now - failing_since > retry_for:
                raise ApiError(0, "unreachable", "%s: the event stream could not be opened again for %g s"
                               % (self.url, retry_for))
            time.sleep(delay)


def _read_stream(answer):
    """Parses a text/event-stream: yields (Event, None) per event and
    (None, ms) per retry field; returns at the end of the stream."""
    event_id = None
    kind = None
    data = []
    while True:
        line = answer.readline()
        if not line:
            return  # an event not ended by a blank line is dropped
        line = line.decode("utf-8", "replace").rstrip("\r\n")
        if not line:
            if data:
                text = "\n".join(data)
                try:
                    payload = json.loads(text)
                except ValueError:
                    payload = text
                yield Event(event_id, kind or "message", payload), None
            event_id, kind, data = None, None, []
            continue
        if line.startswith(":"):
            continue  # keep-alive comment
        name, _, value = line.partition(":")
        if value.startswith(" "):
            value = value[1:]
        if name == "id":
            try:
                event_id = int(value)
            except ValueError:
                event_id = None
        elif name == "event":
            kind = value
        elif name == "data":
            data.append(value)
        elif name == "retry" and value.isdigit():
            yield None, int(value)


# ---------------------------------------------------------------------------
# Command line


def _int_list(text):
    try:
        return [int(x) for x in text.replace(" ", "").split(",") if x]
    except ValueError:
        raise argparse.ArgumentTypeError("a comma-separated list of numbers: %r" % text)


def _lines(path):
    """Non-empty lines of a UTF-8 file ("-": standard input)."""
    if path == "-":
        text = sys.stdin.read()
    else:
        with open(path, encoding="utf-8-sig") as f:
            text = f.read()
    return [line.strip() for line in text.splitlines() if line.strip()]


def _option_value(text):
    """key=value for `options set`: JSON values (500, true, "x") or a plain text."""
    key, sep, value = text.partition("=")
    if not sep or not key:
        raise argparse.ArgumentTypeError("key=value expected: %r" % text)
    try:
        return key, json.loads(value)
    except ValueError:
        return key, value


def _parser():
    p = argparse.ArgumentParser(
        prog="python3 -m vuv_client",
        description="Drive the vuv panel through its automation interface. Answers are printed as JSON.")
    p.add_argument("--url", default=None, help="the interface (default $VUV_URL or %s)" % DEFAULT_URL)
    p.add_argument("--token", default=None, help="the token (default $VUV_TOKEN)")
    p.add_argument("--timeout", type=float, default=30.0, help="seconds per request (default 30)")
    sub = p.add_subparsers(dest="cmd", metavar="COMMAND")
    sub.required = True

    sub.add_parser("health", help="versions and counts")
    s = sub.add_parser("copies", help="the running copies")
    s.add_argument("--state", choices=STATES)
    sub.add_parser("scan", help="look for running copies again (检测鹭行)")

    s = sub.add_parser("send", help="a command to copies")
    s.add_argument("command", choices=COMMANDS)
    t = s.add_mutually_exclusive_group(required=True)
    t.add_argument("--pids", type=_int_list, help="process ids, comma-separated")
    t.add_argument("--state", choices=STATES)
    t.add_argument("--all", action="store_true")
    s.add_argument("--name", help="rename: the new name")
    s.add_argument("--url", dest="address", help="open: the address")
    s.add_argument("--path", help="config: the configuration file")
    s.add_argument("--proxy", help="proxy: ip:port for every copy")
    s.add_argument("--proxies", help="proxy: ip:port,... given in turn")
    s.add_argument("--proxies-file", help="proxy: a file of ip:port lines given in turn")

    s = sub.add_parser("browsers", help="start copies of the browser")
    s.add_argument("count", type=int)

    s = sub.add_parser("launch-list", help="the launch list: show (default), add, clear")
    ls = s.add_subparsers(dest="action", metavar="ACTION")
    ls.add_parser("show")
    a = ls.add_parser("add", help="append rows: one per --url, or a file of name|url|config lines")
    a.add_argument("urls", nargs="*", metavar="URL")
    a.add_argument("--name", default="")
    a.add_argument("--config", default="")
    a.add_argument("--file", help="lines name|url|config (- for standard input)")
    ls.add_parser("clear")

    s = sub.add_parser("launch", help="a walk over the launch list: status (default), start, end")
    ls = s.add_subparsers(dest="action", metavar="ACTION")
    ls.add_parser("status")
    a = ls.add_parser("start")
    a.add_argument("--rows", type=_int_list, help="row indices (default: all rows)")
    ls.add_parser("end")

    s = sub.add_parser("bookmarks", help="bookmarks: list (default), add, return, reset, clear")
    ls = s.add_subparsers(dest="action", metavar="ACTION")
    a = ls.add_parser("list")
    a.add_argument("--state", choices=("unused", "opened"))
    a.add_argument("--offset", type=int)
    a.add_argument("--limit", type=int)
    a = ls.add_parser("add", help="append the addresses of a file, one a line (- for standard input)")
    a.add_argument("file")
    a = ls.add_parser("return", help="give bookmarks back")
    g = a.add_mutually_exclusive_group(required=True)
    g.add_argument("--indices", type=_int_list)
    g.add_argument("--exited", action="store_true", help="those of copies that exited")
    ls.add_parser("reset", help="every bookmark back to unused")
    ls.add_parser("clear", help="remove every bookmark")

    s = sub.add_parser("rules", help="notification rules: list (default), add, delete, move")
    ls = s.add_subparsers(dest="action", metavar="ACTION")
    ls.add_parser("list")
    a = ls.add_parser("add")
    a.add_argument("condition", help="the notification text")
    a.add_argument("--action", dest="rule_action", choices=("bookmark", "link"), default="bookmark")
    a.add_argument("--link", help="the address for --action link")
    a = ls.add_parser("delete")
    a.add_argument("index", type=int)
    a = ls.add_parser("move")
    a.add_argument("index", type=int)
    a.add_argument("to", type=int)

    s = sub.add_parser("records", help="the link or page record: show (default) or clear")
    s.add_argument("kind", choices=RECORDS)
    s.add_argument("action", nargs="?", choices=("show", "clear"), default="show")
    s.add_argument("--after", type=int, help="byte offset to read from")
    s.add_argument("--limit", type=int, help="bytes at most")
    s.add_argument("--text", action="store_true", help="print the text only")

    s = sub.add_parser("log", help="run-log rows as one page")
    s.add_argument("--after", type=int)
    s.add_argument("--limit", type=int)

    s = sub.add_parser("events", help="follow the event stream (one JSON line per event)")
    s.add_argument("--after", type=int, help="id of the last event already seen")
    s.add_argument("--kinds", help="only these kinds, comma-separated")
    s.add_argument("--count", type=int, help="stop after this many events")

    s = sub.add_parser("options", help="options: show (default) or set key=value ...")
    ls = s.add_subparsers(dest="action", metavar="ACTION")
    ls.add_parser("show")
    a = ls.add_parser("set")
    a.add_argument("changes", nargs="+", type=_option_value, metavar="KEY=VALUE")

    s = sub.add_parser("workspace", help="save or open a workspace file")
    ls = s.add_subparsers(dest="action", metavar="ACTION")
    ls.required = True
    a = ls.add_parser("save")
    a.add_argument("path")
    a.add_argument("--records", action="store_true", help="with the link and page records")
    a = ls.add_parser("open")
    a.add_argument("path")

    sub.add_parser("openapi", help="the OpenAPI document")
    sub.add_parser("cluster", help="the shared queue and the live panels of its group")
    return p


def _launch_rows(args):
    rows = [{"name": args.name, "url": url, "config": args.config} for url in args.urls]
    if args.file:
        for line in _lines(args.file):
            parts = (line.split("|") + ["", "", ""])[:3]
            rows.append({"name": parts[0], "url": parts[1], "config": parts[2]})
    if not rows:
        raise SystemExit("launch-list add: give addresses or --file")
    return rows


def _run(panel, args, out):
    """Carries out one parsed command line; the answer to print (or None)."""
    cmd, action = args.cmd, getattr(args, "action", None)
    if cmd == "health":
        return panel.health()
    if cmd == "copies":
        return panel.copies(args.state)
    if cmd == "scan":
        return panel.scan()
    if cmd == "send":
        proxies = None
        if args.proxies:
            proxies = [x for x in args.proxies.split(",") if x]
        if args.proxies_file:
            proxies = (proxies or []) + _lines(args.proxies_file)
        return panel.send(args.command, pids=args.pids, state=args.state, all=args.all, name=args.name,
                          url=args.address, path=args.path, proxy=args.proxy, proxies=proxies)
    if cmd == "browsers":
        return panel.start_browsers(args.count)
    if cmd == "launch-list":
        if action == "add":
            return panel.add_launch_rows(_launch_rows(args))
        if action == "clear":
            return panel.clear_launch_list()
        return panel.launch_list()
    if cmd == "launch":
        if action == "start":
            return panel.start_launch(args.rows if args.rows else "all")
        if action == "end":
            return panel.end_launch()
        return panel.launch_status()
    if cmd == "bookmarks":
        if action == "add":
            return panel.add_bookmarks(_lines(args.file))
        if action == "return":
            return panel.return_bookmarks(indices=args.indices, exited=args.exited)
        if action == "reset":
            return panel.reset_bookmarks()
        if action == "clear":
            return panel.clear_bookmarks()
        if action == "list":
            return panel.bookmarks(args.state, args.offset, args.limit)
        return panel.bookmarks()
    if cmd == "rules":
        if action == "add":
            return panel.add_rule(args.condition, args.rule_action, args.link)
        if action == "delete":
            return panel.delete_rule(args.index)
        if action == "move":
            return panel.move_rule(args.index, args.to)
        return panel.rules()
    if cmd == "records":
        if args.action == "clear":
            return panel.clear_records(args.kind)
        answer = panel.records(args.kind, args.after, args.limit)
        if args.text:
            out.write(answer.get("text", ""))
            return None
        return answer
    if cmd == "log":
        return panel.log(args.after, args.limit)
    if cmd == "events":
        kinds = set(args.kinds.split(",")) if args.kinds else None
        seen = 0
        for event in panel.events(after=args.after):
            if kinds and event.kind not in kinds:
                continue
            line = {"id": event.id, "kind": event.kind, "data": event.data}
            out.write(json.dumps(line, ensure_ascii=False) + "\n")
            out.flush()
            seen += 1
            if args.count is not None and seen >= args.count:
                break
        return None
    if cmd == "options":
        if action == "set":
            return panel.set_options(**dict(args.changes))
        return panel.options()
    if cmd == "workspace":
        if action == "save":
            return panel.save_workspace(args.path, args.records)
        return panel.open_workspace(args.path)
    if cmd == "openapi":
        return panel.openapi()
    if cmd == "cluster":
        return panel.cluster()
    raise SystemExit("unknown command %r" % cmd)


def main(argv=None, out=None):
    """The command line; returns the exit status (0 done, 1 the panel
    refused, 2 wrong usage, 3 unreachable)."""
    out = out or sys.stdout
    args = _parser().parse_args(argv)
    try:
        panel = Panel(args.url, args.token, timeout=args.timeout)
    except ValueError as error:
        sys.stderr.write("vuv_client: %s\n" % error)
        return 2
    try:
        answer = _run(panel, args, out)
    except ApiError as error:
        sys.stderr.write("vuv_client: %s\n" % error)
        return 3 if error.status == 0 else 1
    except (OSError, ValueError) as error:
        sys.stderr.write("vuv_client: %s\n" % error)
        return 2
    except KeyboardInterrupt:
        return 130
    if answer is not None:
        out.write(json.dumps(answer, ensure_ascii=False, indent=2) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
