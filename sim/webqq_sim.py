#!/usr/bin/env python3
"""WebQQ service simulator: every server role on one loopback port, plus a control API under /__sim/.

Start: python3 sim/webqq_sim.py --port 0   (the first stdout line is the base address)
"""

import argparse
import base64
import json
import os
import secrets
import signal
import socket
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import extras  # noqa: E402
import service  # noqa: E402
import wire  # noqa: E402
from service import Response  # noqa: E402
from state import Account, SimError, State, int_field, text_field  # noqa: E402

MAX_BODY = 16 * 1024 * 1024

ROUTES = {
    "/cgi-bin/login": service.login_page,
    "/check": service.check,
    "/getimage": service.get_image,
    "/login": service.login,
    "/check_sig": service.check_sig,
    "/channel/login2": service.login2,
    "/channel/poll2": service.poll,
    "/channel/logout2": service.logout,
    "/channel/change_status2": service.change_status,
    "/channel/shake2": service.shake,
    "/channel/get_c2cmsg_sig2": service.c2c_sig,
    "/api/get_user_friends2": service.friends,
    "/api/get_group_name_list_mask2": service.groups,
    "/api/get_discus_list": service.discussions,
    "/api/get_friend_uin2": service.friend_uin,
    "/api/get_stranger_info2": service.stranger_info,
    "/api/get_single_long_nick2": service.long_nick,
    "/api/set_long_nick2": service.set_long_nick,
    "/cgi/svr/face/getface": service.get_face,
    "/search/word": extras.search_word,
    "/search/none": extras.search_none,
    "/GetNew.php": extras.get_new,
    "/update/zuvo.zip": extras.package,
}
ROUTES.update({path: service.send for path in service.SEND_KINDS})
ROUTES.update({path: service.friend_answer for path in service.FRIEND_ANSWERS})

# Paths that only take a form body; the others answer GET (and HEAD).
POST_ONLY = {"/channel/login2", "/channel/poll2", "/api/get_user_friends2",
             "/api/get_group_name_list_mask2", "/api/set_long_nick2"} | set(service.SEND_KINDS) \
    | set(service.FRIEND_ANSWERS)


def route_for(path):
    if path in ROUTES:
        return ROUTES[path]
    if path.startswith("/view/") or path.startswith("/subview/"):
        return extras.article
    return None


class Request:
    def __init__(self, handler, method, body):
        parts = urllib.parse.urlsplit(handler.path)
        self.method = method
        self.path = parts.path
        self.query = parts.query
        self.args = wire.parse_query(parts.query)
        self.headers = handler.headers
        self.cookies = wire.parse_cookies(handler.headers.get("Cookie"))
        self.body = body
        content_type = handler.headers.get("Content-Type", "")
        self.form = wire.parse_form(body) if body and "json" not in content_type else {}
        host = handler.headers.get("Host") or "127.0.0.1:%d" % handler.server.server_address[1]
        self.base = "%s://%s" % (handler.server.scheme, host)


# --- control API --------------------------------------------------------------------------

def control_body(req):
    if not req.body:
        return {}
    try:
        value = json.loads(req.body.decode("utf-8"))
    except (ValueError, UnicodeDecodeError):
        raise SimError("the body must be a JSON object in UTF-8") from None
    if not isinstance(value, dict):
        raise SimError("the body must be a JSON object")
    return value


def c_reset(st, body):
    st.reset()
    return {"ok": True}


def c_accounts(st, body):
    account = Account(body)
    with st.lock:
        st.accounts[account.qq] = account
    return {"ok": True}


def c_categories(st, body):
    account = st.owner(body)
    entry = {"index": int_field(body, "index"), "sort": int_field(body, "sort"),
             "name": text_field(body, "name")}
    with st.lock:
        account.categories = [c for c in account.categories if c["index"] != entry["index"]] + [entry]
    return {"ok": True}


def c_friends(st, body):
    account = st.owner(body)
    entry = {"uin": text_field(body, "uin", True, True), "qq": text_field(body, "qq", digits_only=True),
             "nick": text_field(body, "nick"), "markname": text_field(body, "markname"),
             "category": int_field(body, "category"), "vip": bool(body.get("vip", False)),
             "lnick": text_field(body, "lnick"), "country": text_field(body, "country"),
             "province": text_field(body, "province"), "city": text_field(body, "city")}
    with st.lock:
        account.friends = [f for f in account.friends if f["uin"] != entry["uin"]] + [entry]
    return {"ok": True}


def c_groups(st, body):
    account = st.owner(body)
    entry = {"gid": text_field(body, "gid", True, True), "code": text_field(body, "code", True, True),
             "number": text_field(body, "number", digits_only=True), "name": text_field(body, "name"),
             "markname": text_field(body, "markname")}
    with st.lock:
        account.groups = [g for g in account.groups if g["gid"] != entry["gid"]] + [entry]
    return {"ok": True}


def c_discussions(st, body):
    account = st.owner(body)
    entry = {"did": text_field(body, "did", True, True), "name": text_field(body, "name")}
    with st.lock:
        account.discussions = [d for d in account.discussions if d["did"] != entry["did"]] + [entry]
    return {"ok": True}


def c_strangers(st, body):
    entry = {"uin": text_field(body, "uin", True, True), "qq": text_field(body, "qq", digits_only=True),
             "nick": text_field(body, "nick"), "country": text_field(body, "country"),
             "province": text_field(body, "province"), "city": text_field(body, "city"),
             "lnick": text_field(body, "lnick")}
    with st.lock:
        st.strangers[entry["uin"]] = entry
    return {"ok": True}


def event_elements(body):
    if "elements" in body:
        elements = body["elements"]
        if not isinstance(elements, list):
            raise SimError("elements must be a list")
        for element in elements:
            ok = isinstance(element, str) or (isinstance(element, dict) and (
                isinstance(element.get("face"), int) or isinstance(element.get("offpic"), str)))
            if not ok:
                raise SimError("an element is a text, {\"face\":N} or {\"offpic\":\"/path\"}")
        return elements
    return [text_field(body, "text")]


def event_font(body):
    font = dict(service.DEFAULT_FONT)
    given = body.get("font") or {}
    if not isinstance(given, dict):
        raise SimError("font must be an object")
    for key in font:
        if key in given:
            font[key] = given[key]
    return font


def message_value(st, account, body, kind):
    """The value object of a chat event, with the fields in the service's order."""
    now, sender = int(time.time()), text_field(body, "from", required=True, digits_only=True)
    head = {"msg_id": st.next_id(), "from_uin": int(sender), "to_uin": int(account.qq),
            "msg_id2": secrets.randbelow(900000) + 100000}
    content = service.content_array(event_elements(body), event_font(body))
    if kind == "message":
        return dict(head, msg_type=9, reply_ip=176882141, time=now, content=content)
    if kind == "group_message":
        gid = text_field(body, "group", required=True, digits_only=True)
        group = account.find(account.groups, "gid", gid) or {"code": gid, "number": "0"}
        head["from_uin"] = int(gid)
        return dict(head, msg_type=43, reply_ip=176621995, group_code=int(group["code"]),
                    send_uin=int(sender), seq=st.next_id(), time=now,
                    info_seq=int(group["number"] or 0), content=content)
    if kind == "sess_message":
        gid = text_field(body, "group", required=True, digits_only=True)
        person = st.people(account, sender) or {}
        return dict(head, msg_type=140, reply_ip=176882136, time=now, id=int(gid),
                    ruin=int(person.get("qq") or sender), service_type=0,
                    flags={"text": 1, "pic": 1, "file": 1, "audio": 1, "video": 1}, content=content)
    did = text_field(body, "did", required=True, digits_only=True)
    head["from_uin"] = 10000
    return dict(head, msg_type=42, reply_ip=176488598, did=int(did), send_uin=int(sender),
                seq=st.next_id(), time=now, info_seq=st.next_id() % 100, content=content)


def c_events(st, body):
    account = st.owner(body)
    if "raw" in body:
        raw = body["raw"]
        if not isinstance(raw, str):
            raise SimError("raw must be a text")
        st.queue(account, ("raw", raw.encode("utf-8")))
        return {"ok": True}
    kind = body.get("type")
    if kind in ("message", "group_message", "sess_message", "discu_message"):
        value = message_value(st, account, body, kind)
    elif kind == "system_message":
        value = {"seq": st.next_id(), "type": text_field(body, "subtype") or "verify_required",
                 "uiuin": "", "from_uin": int(text_field(body, "from", True, True)),
                 "account": int(text_field(body, "account", True, True)),
                 "msg": text_field(body, "msg"), "allow": 1, "stat": 20}
    elif kind == "kick_message":
        value = {"way": "do_poll", "show_reason": 1,
                 "reason": text_field(body, "reason") or service.KICK_REASON}
    else:
        raise SimError("unknown event type: %r" % (kind,))
    st.queue(account, ("event", {"poll_type": kind, "value": value}))
    return {"ok": True}


def c_kick(st, body):
    return c_events(st, dict(body, type="kick_message"))


def c_next_retcode(st, body):
    account = st.owner(body)
    code = int_field(body, "retcode", None)
    with st.lock:
        account.next_retcodes.extend([code] * max(1, int_field(body, "count", 1)))
        st.wake.notify_all()
    return {"ok": True}


FAULT_MODES = ("drop", "delay", "garbage", "close")


def c_faults(st, body):
    path = text_field(body, "path", required=True)
    mode = body.get("mode")
    if mode not in FAULT_MODES:
        raise SimError("mode is one of " + ", ".join(FAULT_MODES))
    fault = {"mode": mode, "count": max(1, int_field(body, "count", 1)),
             "seconds": float(body.get("seconds", 0) or 0)}
    with st.lock:
        st.faults.setdefault(path, []).append(fault)
    return {"ok": True}


def c_poll_hold(st, body):
    seconds = float(body.get("seconds", 60))
    if not 0 <= seconds <= 600:
        raise SimError("seconds must be 0 to 600")
    with st.lock:
        st.poll_hold = seconds
    return {"ok": True}


def c_encyclopedia(st, body):
    word = text_field(body, "word", required=True)
    entry = {"word": word, "lemma": text_field(body, "lemma", digits_only=True) or str(st.next_id()),
             "title": text_field(body, "title") or word, "description": text_field(body, "description"),
             "ambiguous": False, "senses": []}
    senses = body.get("senses")
    if senses:
        if not isinstance(senses, list) or not all(isinstance(s, dict) for s in senses):
            raise SimError("senses must be a list of objects")
        entry["ambiguous"] = True
        entry["senses"] = [{"id": text_field(s, "id", digits_only=True) or str(st.next_id()),
                            "title": text_field(s, "title") or word,
                            "description": text_field(s, "description")} for s in senses]
    with st.lock:
        st.encyclopedia[word] = entry
    return {"ok": True, "lemma": entry["lemma"], "senses": [s["id"] for s in entry["senses"]]}


def c_update(st, body):
    with st.lock:
        update = st.update
        for key in ("version", "message"):
            if key in body:
                update[key] = text_field(body, key)
        if "raw" in body:
            update["raw"] = None if body["raw"] is None else text_field(body, "raw")
        if "rate" in body:
            update["rate"] = max(0, int_field(body, "rate"))
        if "package_base64" in body:
            try:
                update["package"] = base64.b64decode(body["package_base64"], validate=True)
            except (ValueError, TypeError):
                raise SimError("package_base64 is not base64") from None
    return {"ok": True}


def listing(name):
    def get(st, req):
        with st.lock:
            items = list(getattr(st, name))
        owner = req.args.get("owner")
        if owner:
            items = [i for i in items if i.get("owner") == owner]
        return items
    return get


def g_requests(st, req):
    with st.lock:
        items = list(st.requests)
    path, since = req.args.get("path"), int(req.args.get("since", "0") or 0)
    return [i for i in items if i["seq"] > since and (not path or i["path"] == path)]


def g_redirect(st, req):
    """A 302 to `to` (default /redirect_target) setting every `cookie` argument as its own
    Set-Cookie header, for checking how clients treat redirects and cookie headers."""
    cookies = urllib.parse.parse_qs(req.query, keep_blank_values=True).get("cookie", [])
    headers = [("Location", req.args.get("to") or "/redirect_target")]
    headers += [("Set-Cookie", c) for c in cookies]
    return Response("moved\n", status=302, headers=headers)


CONTROL_POST = {
    "reset": c_reset, "accounts": c_accounts, "categories": c_categories, "friends": c_friends,
    "groups": c_groups, "discussions": c_discussions, "strangers": c_strangers, "events": c_events,
    "kick": c_kick, "next_retcode": c_next_retcode, "faults": c_faults, "poll_hold": c_poll_hold,
    "encyclopedia": c_encyclopedia, "update": c_update,
}
CONTROL_GET = {
    "requests": g_requests, "sent": listing("sent"), "shakes": listing("shakes"),
    "statuses": listing("statuses"), "friend_answers": listing("friend_answers"),
    "long_nicks": listing("long_nicks"), "redirect": g_redirect,
}


def control(st, req):
    name = req.path[len("/__sim/"):]
    try:
        if req.method == "POST" and name in CONTROL_POST:
            answer = CONTROL_POST[name](st, control_body(req))
        elif req.method in ("GET", "HEAD") and name in CONTROL_GET:
            answer = CONTROL_GET[name](st, req)
            if isinstance(answer, Response):
                return answer
        else:
            return Response(json.dumps({"error": "no such control call"}), status=404,
                            content_type="application/json; charset=utf-8")
    except (SimError, ValueError, TypeError) as err:
        return Response(json.dumps({"error": str(err)}, ensure_ascii=False), status=400,
                        content_type="application/json; charset=utf-8")
    return Response(json.dumps(answer, ensure_ascii=False), content_type="application/json; charset=utf-8")


# --- HTTP ------------------------------------------------------------------------------------

def request_record(handler, req):
    body = req.body
    return {
        "method": req.method, "path": req.path, "query": req.query, "args": req.args,
        "headers": {k: v for k, v in handler.headers.items()},
        "header_lines": [[k, v] for k, v in handler.headers.items()],
        "cookie": handler.headers.get("Cookie"), "cookies": req.cookies,
        "body": wire.decode_text(body), "body_hex": body.hex(),
    }


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def version_string(self):
        return "WebServer"

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("%s %s\n" % (self.address_string(), fmt % args))

    def do_GET(self):
        self.serve("GET")

    def do_POST(self):
        self.serve("POST")

    def do_HEAD(self):
        self.serve("HEAD")

    def read_body(self):
        if "chunked" in self.headers.get("Transfer-Encoding", "").lower():
            chunks = []
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass
                    return b"".join(chunks)
                chunks.append(self.rfile.read(size))
                self.rfile.readline()
        length = int(self.headers.get("Content-Length") or 0)
        if length < 0 or length > MAX_BODY:
            raise ValueError("bad Content-Length")
        return self.rfile.read(length) if length else b""

    def serve(self, method):
        st = self.server.state
        try:
            body = self.read_body()
        except (ValueError, OSError):
            self.close_connection = True
            return self.reply(Response("bad request\n", status=400))
        try:
            req = Request(self, method, body)
            if req.path.startswith("/__sim/"):
                return self.reply(control(st, req))
            st.log_request(request_record(self, req))
            fault = st.take_fault(req.path)
            if fault and fault["mode"] == "drop":
                return self.hang_up()
            if fault and fault["mode"] == "delay":
                time.sleep(fault["seconds"])
            if fault and fault["mode"] == "garbage":
                return self.reply(Response(os.urandom(64 + secrets.randbelow(192)),
                                           content_type="application/octet-stream"))
            response = self.dispatch(req)
            if fault and fault["mode"] == "close":
                return self.reply(response, cut=True)
            return self.reply(response)
        except Exception as err:  # one bad request must never take the server down
            if self.server.verbose:
                import traceback
                traceback.print_exc()
            return self.reply(Response("internal error: %s\n" % type(err).__name__, status=500))

    def dispatch(self, req):
        handler = route_for(req.path)
        if handler is None:
            return Response("<html><body><h1>404 Not Found</h1></body></html>\n", status=404,
                            content_type="text/html")
        if req.method != "POST" and req.path in POST_ONLY:
            return Response("method not allowed\n", status=405, headers=[("Allow", "POST")])
        return handler(self.server.state, req)

    def hang_up(self):
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def reply(self, response, cut=False):
        try:
            self.send_response(response.status)
            self.send_header("Content-Type", response.content_type)
            self.send_header("Content-Length", str(len(response.body)))
            self.send_header("Cache-Control", "no-cache")
            for name, value in response.headers:
                self.send_header(name, value)
            if cut:
                self.send_header("Connection", "close")
            self.end_headers()
            if self.command == "HEAD":
                return
            body = response.body[: len(response.body) // 2] if cut else response.body
            if response.rate and not cut:
                step = max(1, response.rate // 20)
                for start in range(0, len(body), step):
                    self.wfile.write(body[start:start + step])
                    self.wfile.flush()
                    time.sleep(0.05)
            else:
                self.wfile.write(body)
            self.wfile.flush()
            if cut:
                self.hang_up()
        except (BrokenPipeError, ConnectionResetError, socket.timeout, OSError):
            self.close_connection = True


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 128

    def __init__(self, address, state, verbose, scheme="http"):
        super().__init__(address, Handler)
        self.state = state
        self.verbose = verbose
        self.scheme = scheme

    def handle_error(self, request, client_address):
        if self.verbose:
            super().handle_error(request, client_address)


def main(argv=None):
    parser = argparse.ArgumentParser(description="WebQQ service simulator")
    parser.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 (0: any free port)")
    parser.add_argument("--poll-hold", type=float, default=60.0, help="seconds a poll is held")
    parser.add_argument("--tls-cert", help="PEM certificate: also serve HTTPS on a second port")
    parser.add_argument("--tls-key", help="PEM key for --tls-cert")
    parser.add_argument("--tls-port", type=int, default=0)
    parser.add_argument("--verbose", action="store_true", help="log requests and errors to stderr")
    args = parser.parse_args(argv)

    state = State(args.poll_hold)
    servers = [Server(("127.0.0.1", args.port), state, args.verbose)]
    if args.tls_cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls_cert, args.tls_key)
        tls = Server(("127.0.0.1", args.tls_port), state, args.verbose, scheme="https")
        tls.socket = context.wrap_socket(tls.socket, server_side=True)
        servers.append(tls)

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    for server in servers:
        threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()
    for server in servers:
        print("%s://127.0.0.1:%d" % (server.scheme, server.server_address[1]), flush=True)
    while not stop.wait(0.5):
        pass
    for server in servers:
        server.shutdown()
        server.server_close()
    sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
