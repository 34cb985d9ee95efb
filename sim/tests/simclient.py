"""Test helpers: a simulator in a subprocess, and requests built the way the robot builds them."""

import hashlib
import http.client
import json
import os
import re
import subprocess
import sys
import unittest

SIM = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "webqq_sim.py")
PROXY = "http%3A%2F%2Fweb%2Eqq%2Ecom%2Floginproxy%2Ehtml"
HEADERS = {"Accept": "*/*", "Accept-Language": "zh-cn",
           "User-Agent": "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)",
           "Content-Type": "application/x-www-form-urlencoded"}


def enc(text):
    """Every byte but letters and digits as %XX, of the UTF-8 form."""
    return "".join(chr(b) if chr(b).isalnum() and b < 128 else "%%%02X" % b for b in text.encode("utf-8"))


def web_hash(qq, password, code):
    h1 = hashlib.md5(password.encode("latin-1")).digest()
    h2 = hashlib.md5(h1 + bytes.fromhex("%016x" % int(qq))).hexdigest().upper()
    return hashlib.md5((h2 + code.upper()).encode()).hexdigest().upper()


def list_hash(qq, ptwebqq):
    key = ptwebqq + "ticket missing"
    pad = (qq * len(key))[: len(key)]
    return "".join("%02X" % (ord(a) ^ ord(b)) for a, b in zip(pad, key))


def escape_text(text):
    """The robot's two-level escaping of a message text, faces written [/N]."""
    text = text.replace("\\", "\\\\\\\\").replace("\"", "\\\\\\\"").replace("\r\n", "\\\\n")
    text = text.replace("[br]", "\\\\r")
    return re.sub(r"\[/(\d+)\]", lambda m: "\\\",[\\\"face\\\"," + m.group(1) + "],\\\"", text)


class Reply:
    def __init__(self, status, headers, body):
        self.status, self.headers, self.body = status, headers, body
        self.cookies = [v.split(";")[0].strip() for k, v in headers if k.lower() == "set-cookie"]

    @property
    def text(self):
        return self.body.decode("utf-8")

    def json(self):
        return json.loads(self.body.decode("utf-8"))


class Simulator:
    def __init__(self, *extra):
        self.proc = subprocess.Popen([sys.executable, SIM, "--port", "0"] + list(extra),
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        line = self.proc.stdout.readline().decode().strip()
        if not line.startswith("http://127.0.0.1:"):
            self.stop()
            raise RuntimeError("simulator did not start: %r" % line)
        self.base = line
        self.port = int(line.rsplit(":", 1)[1])

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc.stdout.close()
        self.proc.stderr.close()
        return self.proc.returncode

    def request(self, method, path, body=None, cookie=None, headers=None, timeout=30):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            all_headers = dict(HEADERS, Referer=self.base + path, **(headers or {}))
            if cookie:
                all_headers["Cookie"] = cookie
            data = body.encode("utf-8") if isinstance(body, str) else body
            conn.request(method, path, body=data, headers=all_headers)
            response = conn.getresponse()
            return Reply(response.status, response.getheaders(), response.read())
        finally:
            conn.close()

    def control(self, name, body=None):
        reply = self.request("POST" if body is not None else "GET", "/__sim/" + name,
                             json.dumps(body) if body is not None else None,
                             headers={"Content-Type": "application/json"})
        if reply.status != 200:
            raise AssertionError("control %s: %s %s" % (name, reply.status, reply.text))
        return reply.json()


class WebClient:
    """One account's side of the protocol, as the robot speaks it."""

    def __init__(self, sim, qq, password):
        self.sim, self.qq, self.password = sim, qq, password
        self.jar = {}
        self.clientid = "1234567"
        self.psessionid = self.vfwebqq = ""

    def login_sig(self):
        page = self.sim.request("GET", "/cgi-bin/login?daid=164&target=self&style=5&mibao_css=m_webqq"
                                "&appid=1003903&enable_qlogin=0&no_verifyimg=1&s_url=" + PROXY
                                + "&f_url=loginerroralert&strong_login=1&login_state=10&t=20140612002")
        return re.search(r'var g_login_sig=encodeURIComponent\("(.*?)"\);', page.text).group(1)

    def check(self):
        reply = self.sim.request("GET", "/check?uin=%s&appid=1003903&js_ver=10082&js_type=0&login_sig=%s"
                                 "&u1=%s&r=0.1234567890123456" % (self.qq, self.login_sig(), PROXY))
        code = re.search(r"ptui_checkVC\('\d','([^']*)'", reply.text).group(1)
        return code, reply

    def captcha(self, key):
        return self.sim.request("GET", "/getimage?&uin=%s&aid=1002101&0.1234567890123456&cap_cd=%s"
                                % (self.qq, key))

    def login(self, password=None, typed=None, drop_cookies=False):
        """Check, captcha when asked, login; returns the ptuiCB reply."""
        code, check = self.check()
        cookie = "".join(c + "; " for c in check.cookies)
        if len(code) > 4:
            picture = self.captcha(code)
            cookie += "".join(c + "; " for c in picture.cookies)
            code = typed or ""
        if drop_cookies:
            cookie = ""
        password = self.password if password is None else password
        path = ("/login?u=%s&p=%s&verifycode=%s&webqq_type=10&remember_uin=1&login2qq=1&aid=1003903"
                "&u1=%s&h=1&ptredirect=0&ptlang=2052&daid=164&from_ui=1&pttype=1&dumy="
                "&fp=loginerroralert&action=3-17-21873&mibao_css=m_webqq&t=1&g=1&js_type=0"
                "&js_ver=10083&login_sig=%s&pt_uistyle=5"
                % (self.qq, web_hash(self.qq, password, code), code, enc(PROXY), enc(self.login_sig())))
        reply = self.sim.request("GET", path, cookie=cookie[:-1] or None)
        for c in reply.cookies:
            self.jar.setdefault(*c.split("=", 1))
        return reply

    def follow_redirect(self, url):
        path = url.split("127.0.0.1:%d" % self.sim.port, 1)[1]
        names = ("pt2gguin", "uin", "skey", "ptisp", "RK", "ptcz", "ptwebqq")
        reply = self.sim.request("GET", path, cookie="; ".join("%s=%s" % (n, self.jar.get(n, "")) for n in names))
        for c in reply.cookies:
            name, value = c.split("=", 1)
            self.jar[name] = value
        return reply

    def cookie_b(self):
        names = ("pt2gguin", "uin", "skey", "ptisp", "RK", "ptcz", "ptwebqq", "p_uin", "p_skey",
                 "pt4_token", "pgv_pvid")
        return "; ".join("%s=%s" % (n, self.jar.get(n, "")) for n in names)

    def login2(self, status="online"):
        body = ("r=%7B%22status%22%3A%22" + status + "%22%2C%22ptwebqq%22%3A%22" + self.jar.get("ptwebqq", "")
                + "%22%2C%22passwd_sig%22%3A%22%22%2C%22clientid%22%3A%22" + self.clientid
                + "%22%2C%22psessionid%22%3Anull%7D&clientid=" + self.clientid + "&psessionid=null")
        reply = self.sim.request("POST", "/channel/login2", body, cookie=self.cookie_b())
        result = reply.json().get("result", {})
        self.vfwebqq, self.psessionid = result.get("vfwebqq", ""), result.get("psessionid", "")
        return reply

    def log_in(self):
        reply = self.login()
        url = re.search(r"ptuiCB\('0','0','([^']*)'", reply.text).group(1)
        self.follow_redirect(url)
        assert self.login2().json()["retcode"] == 0
        return self

    def poll(self, psessionid=None, timeout=30):
        psessionid = self.psessionid if psessionid is None else psessionid
        body = ("r=%7B%22clientid%22%3A%22" + self.clientid + "%22%2C%22psessionid%22%3A%22" + psessionid
                + "%22%2C%22key%22%3A0%2C%22ids%22%3A%5B%5D%7D&clientid=" + self.clientid
                + "&psessionid=" + psessionid)
        return self.sim.request("POST", "/channel/poll2", body, cookie=self.cookie_b(), timeout=timeout)

    def tail(self):
        return ("%2C%22clientid%22%3A%22" + self.clientid + "%22%2C%22psessionid%22%3A%22" + self.psessionid
                + "%22%7D&clientid=" + self.clientid + "&psessionid=" + self.psessionid)

    def send(self, kind, target, text, font_name="宋体", size=9, style=(0, 0, 0), color="000000",
             signature=""):
        font = ("%5C%22%2C%5B%5C%22font%5C%22%2C%7B%5C%22name%5C%22%3A%5C%22" + enc(font_name)
                + "%5C%22%2C%5C%22size%5C%22%3A%5C%22" + str(size) + "%5C%22%2C%5C%22style%5C%22%3A%5B"
                + "%2C".join(str(s) for s in style) + "%5D%2C%5C%22color%5C%22%3A%5C%22" + color
                + "%5C%22%7D%5D%5D%22%2C%22msg_id%22%3A" + "12340000")
        text = escape_text(text)
        paths = {0: "/channel/send_buddy_msg2", 1: "/channel/send_qun_msg2",
                 2: "/channel/send_sess_msg2", 3: "/channel/send_discu_msg2"}
        if kind == 0:
            body = ("r=%7B%22to%22%3A" + target + "%2C%22face%22%3A603%2C%22content%22%3A%22%5B%5C%22"
                    + enc(text) + font + self.tail())
        elif kind == 1:
            body = "r=%7B%22group_uin%22%3A" + target + "%2C%22content%22%3A%22%5B%5C%22" + enc(text) + font + self.tail()
        elif kind == 2:
            body = ("r=%7B%22to%22%3A" + target + "%2C%22group_sig%22%3A%22" + signature
                    + "%22%2C%22face%22%3A561%2C%22content%22%3A%22%5B" + enc("\\\"" + text + "\\\"")
                    + font[len("%5C%22"):] + self.tail().replace("%2C%22clientid", "%2C%22service_type%22%3A0%2C%22clientid", 1))
        else:
            body = "r=%7B%22did%22%3A%22" + target + "%22%2C%22content%22%3A%22%5B%5C%22" + enc(text) + font + self.tail()
        return self.sim.request("POST", paths[kind], body, cookie=self.cookie_b())

    def get(self, path):
        return self.sim.request("GET", path, cookie=self.cookie_b())

    def api_post(self, path, r):
        return self.sim.request("POST", path, "r=" + r, cookie=self.cookie_b())


class SimTest(unittest.TestCase):
    """Every test gets its own simulator, stopped whatever happens."""

    sim_args = ("--poll-hold", "1")

    def setUp(self):
        self.sim = Simulator(*self.sim_args)
        self.addCleanup(self.sim.stop)

    def account(self, qq="10001", password="pw", **extra):
        self.sim.control("accounts", dict({"qq": qq, "password": password, "nick": "Tester"}, **extra))
        return WebClient(self.sim, qq, password)
