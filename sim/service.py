"""The service's own paths: login servers, channel server, API server, avatars."""

import json
import secrets
import time
import urllib.parse

import wire
from state import STATUS_NAMES, new_hex

PROXY_PAGE = "http://web.qq.com/loginproxy.html?login2qq=1&webqq_type=10"
LONG_TEXT_LIMIT = 700
KICK_REASON = "您的帐号在另一地点登录，您已被迫下线。如有疑问，请登录 safe.qq.com 了解更多。"
DEFAULT_FONT = {"size": 10, "color": "000000", "style": [0, 0, 0], "name": "宋体"}


class Response:
    def __init__(self, body=b"", status=200, content_type="text/plain; charset=utf-8",
                 headers=None, rate=0):
        self.body = body if isinstance(body, bytes) else body.encode("utf-8")
        self.status = status
        self.content_type = content_type
        self.headers = headers or []
        self.rate = rate          # bytes per second; 0 sends at once


def js(text):
    return Response(text, content_type="application/x-javascript; charset=utf-8")


def api(value):
    return Response(wire.list_json(value), content_type="text/plain; charset=utf-8")


def retcode(code, **extra):
    return api(dict({"retcode": code}, **extra))


OK = {"retcode": 0, "result": "ok"}
BAD_SESSION = {"retcode": 103, "errmsg": ""}
BAD_PARAM = {"retcode": 100001, "errmsg": ""}


def cookie_header(name, value, domain):
    return ("Set-Cookie", "%s=%s; PATH=/; DOMAIN=%s;" % (name, value, domain))


def ptui_cb(code, text, last, url="", sub="0"):
    return js("ptuiCB('%s','%s','%s','0','%s', '%s');\r\n" % (code, sub, url, text, last))


# --- login page, check, captcha ---------------------------------------------------------

def login_page(st, req):
    sig = new_hex(32).upper()
    with st.lock:
        st.login_sigs.add(sig)
    page = ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><script type=\"text/javascript\">\n"
            "var g_login_sig=encodeURIComponent(\"%s\");\n"
            "var g_appid=encodeURIComponent(\"1003903\");\n"
            "</script></head><body></body></html>\n" % sig)
    return Response(page, content_type="text/html; charset=utf-8")


def check(st, req):
    qq = req.args.get("uin", "")
    if not qq.isdigit() or len(qq) > 15:
        return js("ptui_checkVC('1','','\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00','','0');\r\n")
    with st.lock:
        account = st.accounts.get(qq)
        if account is not None and account.captcha:
            key = new_hex(32)
            st.captcha_keys[key] = qq
            return Response(
                "ptui_checkVC('1','%s','%s','','0');\r\n" % (key, wire.salt_text(qq)),
                content_type="application/x-javascript; charset=utf-8",
                headers=[cookie_header("confirmuin", "0", "ptlogin2.qq.com")])
        code = "!" + "".join(secrets.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(3))
        ptvfsession = new_hex(96)
        st.checks[ptvfsession] = (qq, code)
    return Response(
        "ptui_checkVC('0','%s','%s','%s','0');\r\n" % (code, wire.salt_text(qq), ptvfsession),
        content_type="application/x-javascript; charset=utf-8",
        headers=[cookie_header("confirmuin", "0", "ptlogin2.qq.com"),
                 cookie_header("ptvfsession", ptvfsession, "ptlogin2.qq.com"),
                 cookie_header("ptisp", "ctc", "qq.com")])


def get_image(st, req):
    key = req.args.get("cap_cd", "")
    with st.lock:
        qq = st.captcha_keys.get(key)
        account = st.accounts.get(qq) if qq else None
        code = account.captcha_code if account else new_hex(4).upper()
        session = new_hex(64)
        if account:
            st.picture_sessions[session] = qq
    return Response(wire.captcha_png(code), content_type="image/png",
                    headers=[cookie_header("verifysession", session, "qq.com")])


# --- login and its redirect -------------------------------------------------------------

FAIL_TEXTS = {
    "3": "您输入的帐号或密码不正确，请重新输入。",
    "4": "您输入的验证码不正确，请重新输入。",
    "7": "很遗憾，网络连接出现异常，请您稍后再试。(2220884626)",
    "19": "您的帐号暂时无法登录，请点击 这里 恢复正常使用。",
    "24": "很遗憾，网络连接出现异常，请您检查是否禁用cookies。(3972006392)",
}


def fail(code, qq):
    return ptui_cb(code, FAIL_TEXTS[code], qq)


def login(st, req):
    a = req.args
    qq, p, code = a.get("u", ""), a.get("p", ""), a.get("verifycode", "")
    if not qq.isdigit() or not p or not code or a.get("aid") != "1003903":
        return fail("7", qq)
    with st.lock:
        if a.get("login_sig", "") not in st.login_sigs:
            return fail("7", qq)
        account = st.accounts.get(qq)
        if account is not None and account.captcha:
            # A captcha login proves itself by the picture's cookie and the code drawn on it.
            session = req.cookies.get("verifysession", "")
            if st.picture_sessions.pop(session, None) != qq:
                return fail("24", qq)
            if code.upper() != account.captcha_code.upper():
                return fail("4", qq)
        else:
            issued = st.checks.pop(req.cookies.get("ptvfsession", ""), None)
            if issued is None or issued[0] != qq:
                return fail("24", qq)
            if code.upper() != issued[1].upper():
                return fail("4", qq)
        if account is None or p.upper() != wire.login_hash(qq, account.password, code):
            return fail("3", qq)
        if account.protected:
            return fail("19", qq)
        ptsig = new_hex(44)
        skey = "@" + new_hex(9)
        st.tickets[ptsig] = (qq, skey)
        nick = account.nick
    target = (req.base + "/check_sig?pttype=1&uin=" + qq + "&service=login&nodirect=0&ptsig="
              + ptsig + "&s_url=" + urllib.parse.quote(PROXY_PAGE, safe="")
              + "&f_url=&ptlang=2052&ptredirect=100&aid=1003903&daid=164&j_later=0"
              "&low_login_hour=0&regmaster=0&pt_login_type=1&pt_aid=0&pt_aaid=0&pt_light=0")
    uin = "o%010d" % int(qq)
    reply = ptui_cb("0", "登录成功！", nick, url=target)
    reply.headers = [
        cookie_header("pt2gguin", uin, "qq.com"),
        cookie_header("uin", uin, "qq.com"),
        cookie_header("skey", skey, "qq.com"),
        ("Set-Cookie", "ETK=; PATH=/; DOMAIN=ptlogin2.qq.com;"),
        cookie_header("ptisp", "ctc", "qq.com"),
        cookie_header("RK", new_hex(10), "qq.com"),
        cookie_header("ptnick_" + qq, nick.encode("utf-8").hex(), "ptlogin2.qq.com"),
        cookie_header("ptcz", new_hex(64), "qq.com"),
    ]
    return reply


def check_sig(st, req):
    qq, ptsig = req.args.get("uin", ""), req.args.get("ptsig", "")
    with st.lock:
        ticket = st.tickets.get(ptsig)
        if ticket is None or ticket[0] != qq or req.cookies.get("skey") != ticket[1]:
            return Response("ptsig invalid\n", status=403)
        del st.tickets[ptsig]
        account = st.accounts.get(qq)
        if account is None:
            return Response("ptsig invalid\n", status=403)
        account.ptwebqq = new_hex(64)
        uin = "o%010d" % int(qq)
        cookies = [
            cookie_header("pt2gguin", uin, "qq.com"),
            cookie_header("uin", uin, "qq.com"),
            cookie_header("skey", ticket[1], "qq.com"),
            cookie_header("p_uin", uin, "web2.qq.com"),
            cookie_header("p_skey", new_hex(44), "web2.qq.com"),
            cookie_header("pt4_token", new_hex(44), "web2.qq.com"),
            cookie_header("ptwebqq", account.ptwebqq, "qq.com"),
        ]
    return Response(b"", status=302, content_type="text/html",
                    headers=[("Location", PROXY_PAGE)] + cookies)


# --- channel server ---------------------------------------------------------------------

def r_value(req):
    return wire.json_object(req.form.get("r", ""))


def login2(st, req):
    r = r_value(req)
    if r is None:
        return api(BAD_PARAM)
    ptwebqq = req.cookies.get("ptwebqq", "")
    account = st.account_by_ptwebqq(ptwebqq)
    clientid = str(r.get("clientid", ""))
    if account is None or r.get("ptwebqq") != ptwebqq:
        return api(BAD_SESSION)
    if r.get("status") not in STATUS_NAMES or not clientid.isdigit():
        return api(BAD_PARAM)
    session = st.start_session(account, clientid, r["status"])
    with st.lock:
        st.statuses.append({"owner": account.qq, "status": r["status"], "via": "login2"})
    return api({"retcode": 0, "result": {
        "uin": int(account.qq), "cip": 3029081924, "index": 1075, "port": 40000 + secrets.randbelow(20000),
        "status": r["status"], "vfwebqq": session.vfwebqq, "psessionid": session.psessionid,
        "user_state": 0, "f": 0}})


def channel_session(st, req, r=None):
    """The live session named by the request (r= JSON for POSTs, the query for GETs)."""
    source = r if r is not None else req.args
    session = st.live_session(str(source.get("psessionid", "")), str(source.get("clientid", "")))
    if session is None or session.ended:
        return None
    return session


def poll_retcode_reply(code):
    if code == 116:
        return {"retcode": 116, "p": new_hex(48)}
    if code == 121:
        return {"retcode": 121, "t": "0"}
    return {"retcode": code, "errmsg": ""}


def poll(st, req):
    r = r_value(req)
    if r is None:
        return api(BAD_PARAM)
    session = st.live_session(str(r.get("psessionid", "")), str(r.get("clientid", "")))
    if session is None:
        return api(BAD_SESSION)
    deadline = time.monotonic() + st.poll_hold
    with st.wake:
        while True:
            if session.ended == "kicked":
                return api(poll_retcode_reply(121))
            if session.ended:
                return api(BAD_SESSION)
            account = session.account
            if account.next_retcodes:
                return api(poll_retcode_reply(account.next_retcodes.pop(0)))
            if account.queue:
                return take_batch(st, session)
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                return api({"retcode": 102, "errmsg": ""})
            st.wake.wait(remaining)


def take_batch(st, session):
    """Every event queued since the last poll, newest first; a raw reply goes out alone."""
    account = session.account
    if account.queue[0][0] == "raw":
        return Response(account.queue.pop(0)[1])
    batch = []
    while account.queue and account.queue[0][0] == "event":
        batch.append(account.queue.pop(0)[1])
    if any(event["poll_type"] == "kick_message" for event in batch):
        st.end_session(session, "kicked")
    batch.reverse()
    return Response(wire.poll_json({"retcode": 0, "result": batch}))


def logout(st, req):
    session = channel_session(st, req)
    if session is None:
        return api(BAD_SESSION)
    st.end_session(session, "logout")
    return api(OK)


def change_status(st, req):
    session = channel_session(st, req)
    if session is None:
        return api(BAD_SESSION)
    status = req.args.get("newstatus", "")
    if status not in STATUS_NAMES:
        return api(BAD_PARAM)
    with st.lock:
        session.status = status
        st.statuses.append({"owner": session.account.qq, "status": status, "via": "change_status2"})
    if status == "offline":
        st.end_session(session, "logout")
    return api(OK)


def shake(st, req):
    session = channel_session(st, req)
    if session is None:
        return api(BAD_SESSION)
    to = req.args.get("to_uin", "")
    account = session.account
    if account.find(account.friends, "uin", to) is None:
        return api(BAD_PARAM)
    with st.lock:
        st.shakes.append({"owner": account.qq, "to": to})
    return api(OK)


def c2c_sig(st, req):
    session = channel_session(st, req)
    if session is None:
        return api(BAD_SESSION)
    group, to = req.args.get("id", ""), req.args.get("to_uin", "")
    account = session.account
    if account.find(account.groups, "gid", group) is None or not to.isdigit():
        return api(BAD_PARAM)
    value = new_hex(96)
    with st.lock:
        session.c2c_sigs[value] = (group, to)
    return api({"retcode": 0, "result": {"type": 0, "value": value, "flags": {
        "text": 1, "pic": 1, "file": 1, "audio": 1, "video": 1}}})


# kind, path, the r= key naming the target
SEND_KINDS = {
    "/channel/send_buddy_msg2": (0, "to"),
    "/channel/send_qun_msg2": (1, "group_uin"),
    "/channel/send_sess_msg2": (2, "to"),
    "/channel/send_discu_msg2": (3, "did"),
}


def decode_content(text):
    """The content array: (elements, font) or None when it is not what the web client sends."""
    try:
        items = json.loads(text)
    except (ValueError, TypeError):
        return None
    if not isinstance(items, list) or not items:
        return None
    font = items[-1]
    if not (isinstance(font, list) and len(font) == 2 and font[0] == "font"
            and isinstance(font[1], dict)):
        return None
    f = font[1]
    style = f.get("style")
    if not (isinstance(f.get("name"), str) and isinstance(f.get("size"), (str, int))
            and isinstance(style, list) and len(style) == 3 and isinstance(f.get("color"), str)):
        return None
    elements = []
    for item in items[:-1]:
        if isinstance(item, str):
            elements.append(item)
        elif (isinstance(item, list) and len(item) == 2 and item[0] == "face"
              and isinstance(item[1], int) and not isinstance(item[1], bool)):
            elements.append({"face": item[1]})
        else:
            return None
    return elements, {"name": f["name"], "size": f["size"], "style": style, "color": f["color"]}


def send(st, req):
    kind, target_key = SEND_KINDS[req.path]
    r = r_value(req)
    if r is None:
        return api(BAD_PARAM)
    session = channel_session(st, req, r)
    if session is None:
        return api(BAD_SESSION)
    account = session.account
    target = str(r.get(target_key, ""))
    decoded = decode_content(r.get("content"))
    if decoded is None or not isinstance(r.get("msg_id"), int):
        return api(BAD_PARAM)
    elements, font = decoded
    group = ""
    with st.lock:
        if kind == 0 and account.find(account.friends, "uin", target) is None:
            return api(BAD_PARAM)
        if kind == 1 and account.find(account.groups, "gid", target) is None:
            return api(BAD_PARAM)
        if kind == 1:
            group = target
        if kind == 2:
            issued = session.c2c_sigs.get(str(r.get("group_sig", "")))
            if issued is None or issued[1] != target:
                return retcode(100100, errmsg="")
            group = issued[0]
        if kind == 3 and account.find(account.discussions, "did", target) is None:
            return api(BAD_PARAM)
    size = sum(len(e.encode("utf-8")) for e in elements if isinstance(e, str))
    if size > LONG_TEXT_LIMIT:
        return retcode(1202, errmsg="message too long")
    text = "".join(e if isinstance(e, str) else "[/%d]" % e["face"] for e in elements)
    with st.lock:
        st.sent.append({"owner": account.qq, "kind": kind, "to": target, "group": group,
                        "text": text, "elements": elements, "font": font})
    return api(OK)


# --- API server ---------------------------------------------------------------------------

def api_session(st, req, r=None):
    source = r if r is not None else req.args
    return st.session_by_vfwebqq(str(source.get("vfwebqq", "")))


BAD_VF = {"retcode": 100101, "errmsg": ""}


def list_account(st, req):
    """The account of a list request with a live vfwebqq and the right hash, or an error reply."""
    r = r_value(req)
    session = api_session(st, req, r) if r is not None else None
    if session is None:
        return None, api(BAD_VF)
    account = session.account
    if r.get("hash") != wire.friend_list_hash(account.qq, account.ptwebqq):
        return None, api({"retcode": 50})
    return account, None


def friends(st, req):
    account, error = list_account(st, req)
    if error:
        return error
    with st.lock:
        fl = account.friends
        result = {
            "friends": [{"flag": 4, "uin": int(f["uin"]), "categories": f["category"]} for f in fl],
            "marknames": [{"uin": int(f["uin"]), "markname": f["markname"], "type": 0}
                          for f in fl if f["markname"]],
            "categories": [{"index": c["index"], "sort": c["sort"], "name": c["name"]}
                           for c in account.categories],
            "vipinfo": [{"vip_level": 1 if f["vip"] else 0, "u": int(f["uin"]),
                         "is_vip": 1 if f["vip"] else 0} for f in fl],
            "info": [{"face": 0, "flag": 13107714, "nick": f["nick"], "uin": int(f["uin"])} for f in fl],
        }
    return api({"retcode": 0, "result": result})


def groups(st, req):
    account, error = list_account(st, req)
    if error:
        return error
    with st.lock:
        gl = account.groups
        result = {
            "gmasklist": [{"gid": 1000, "mask": 0}] + [{"gid": int(g["gid"]), "mask": 0} for g in gl],
            "gnamelist": [{"flag": 1048577, "name": g["name"], "gid": int(g["gid"]),
                           "code": int(g["code"])} for g in gl],
            "gmarklist": [{"uin": int(g["gid"]), "markname": g["markname"]} for g in gl if g["markname"]],
        }
    return api({"retcode": 0, "result": result})


def discussions(st, req):
    session = api_session(st, req)
    if channel_session(st, req) is not session or session is None:
        return api(BAD_VF)
    with st.lock:
        names = [{"name": d["name"], "did": int(d["did"])} for d in session.account.discussions]
    return api({"retcode": 0, "result": {"dnamelist": names}})


def friend_uin(st, req):
    session = api_session(st, req)
    if session is None:
        return api(BAD_VF)
    account, tuin, kind = session.account, req.args.get("tuin", ""), req.args.get("type", "")
    with st.lock:
        if kind == "1":
            person = st.people(account, tuin)
            number = person["qq"] if person else None
        elif kind == "4":
            group = account.find(account.groups, "code", tuin)
            number = group["number"] if group else None
        else:
            return api(BAD_PARAM)
    if not number:
        return api({"retcode": 100000, "errmsg": ""})
    return api({"retcode": 0, "result": {"uiuin": "", "account": int(number), "uin": int(tuin)}})


def stranger_info(st, req):
    session = api_session(st, req)
    if session is None:
        return api(BAD_VF)
    tuin = req.args.get("tuin", "")
    with st.lock:
        person = st.people(session.account, tuin)
    if person is None:
        return api({"retcode": 100000, "errmsg": ""})
    return api({"retcode": 0, "result": {
        "face": 0, "birthday": {"month": 0, "year": 0, "day": 0}, "phone": "", "occupation": "",
        "allow": 1, "college": "", "uin": int(tuin), "blood": 0, "constel": 0, "homepage": "",
        "stat": 10, "country": person.get("country", ""), "city": person.get("city", ""),
        "personal": "", "nick": person["nick"], "shengxiao": 0, "email": "", "token": new_hex(48),
        "client_type": 1, "province": person.get("province", ""), "gender": "male", "mobile": "-"}})


def logged_in_account(st, req):
    """Calls the web client makes before login2: the login cookies identify the account."""
    return st.account_by_ptwebqq(req.cookies.get("ptwebqq", ""))


def long_nick(st, req):
    account = logged_in_account(st, req)
    if account is None:
        return api(BAD_VF)
    tuin = req.args.get("tuin", "")
    with st.lock:
        if tuin == account.qq:
            lnick = account.lnick
        else:
            person = st.people(account, tuin)
            if person is None:
                return api({"retcode": 100000, "errmsg": ""})
            lnick = person.get("lnick", "")
    return api({"retcode": 0, "result": [{"uin": int(tuin), "lnick": lnick}]})


def set_long_nick(st, req):
    r = r_value(req)
    session = api_session(st, req, r) if r is not None else None
    if session is None:
        return api(BAD_VF)
    if not isinstance(r.get("nlk"), str):
        return api(BAD_PARAM)
    with st.lock:
        session.account.lnick = r["nlk"]
        st.long_nicks.append({"owner": session.account.qq, "lnick": r["nlk"]})
    return api({"retcode": 0, "result": {"result": 0}})


# path -> (action, fields that must be in r=)
FRIEND_ANSWERS = {
    "/api/allow_and_add2": ("allow_and_add", ("account", "gid", "mname")),
    "/api/allow_added_request2": ("allow", ("account",)),
    "/api/deny_added_request2": ("deny", ("account", "msg")),
}


def friend_answer(st, req):
    action, fields = FRIEND_ANSWERS[req.path]
    r = r_value(req)
    session = api_session(st, req, r) if r is not None else None
    if session is None:
        return api(BAD_VF)
    if any(name not in r for name in fields) or not isinstance(r["account"], int):
        return api(BAD_PARAM)
    record = {"owner": session.account.qq, "action": action, "account": str(r["account"])}
    for name in fields[1:]:
        record[name] = r[name] if isinstance(r[name], str) else str(r[name])
    with st.lock:
        st.friend_answers.append(record)
    if action == "allow_and_add":
        return api({"retcode": 0, "result": {"result1": 0, "account": r["account"],
                                              "tuin": r["account"], "stat": 20}})
    return api({"retcode": 0, "result": {"result": 0}})


def get_face(st, req):
    uin = req.args.get("uin", "")
    if not uin.isdigit():
        return Response(b"", status=404)
    return Response(wire.avatar_png(uin), content_type="image/png")


# --- events as the poll hands them out ----------------------------------------------------

def content_array(elements, font):
    items = [["font", font]]
    for element in elements:
        if isinstance(element, str):
            items.append(element)
        elif "face" in element:
            items.append(["face", int(element["face"])])
        elif "offpic" in element:
            items.append(["offpic", {"success": 1, "file_path": str(element["offpic"])}])
        else:
            raise ValueError("unknown element")
    # The service appends one blank to the last text element, or adds one after a picture or face.
    if isinstance(items[-1], str):
        items[-1] += " "
    else:
        items.append(" ")
    return items
