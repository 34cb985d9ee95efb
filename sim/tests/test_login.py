import json
import re
import signal
import unittest

from simclient import PROXY, SimTest, Simulator, WebClient, list_hash


class HandshakeTest(SimTest):
    def test_whole_login_then_poll_send_and_friend_list(self):
        client = self.account(nick="小明")
        self.sim.control("friends", {"uin": "2001", "qq": "20001", "nick": "Tom", "category": 1})
        self.sim.control("categories", {"index": 1, "sort": 1, "name": "同学"})

        code, check = client.check()
        self.assertEqual(len(code), 4)
        self.assertTrue(check.body.endswith(b"');\r\n"))
        self.assertTrue(any(c.startswith("ptvfsession=") for c in check.cookies))

        reply = client.login()
        self.assertTrue(reply.body.endswith(b";\r\n"))
        m = re.fullmatch(r"ptuiCB\('0','0','(http://127\.0\.0\.1:\d+/[^']+)','0','登录成功！', '小明'\);\r\n",
                         reply.text)
        self.assertIsNotNone(m, reply.text)
        self.assertEqual(reply.cookies[0].split("=")[0], "pt2gguin")

        redirect = client.follow_redirect(m.group(1))
        self.assertEqual(redirect.status, 302)
        self.assertEqual([c.split("=")[0] for c in redirect.cookies][-4:],
                         ["p_uin", "p_skey", "pt4_token", "ptwebqq"])
        self.assertTrue(all("; PATH=/; DOMAIN=" in v for k, v in redirect.headers if k == "Set-Cookie"))

        login2 = client.login2().json()
        self.assertEqual(login2["retcode"], 0)
        self.assertEqual(list(login2["result"])[:7],
                         ["uin", "cip", "index", "port", "status", "vfwebqq", "psessionid"])

        self.sim.control("events", {"type": "message", "from": "2001", "text": "你好"})
        poll = client.poll()
        self.assertIn(b'"content":[["font",{"size":10,"color":"000000","style":[0,0,0],'
                      b'"name":"\\u5B8B\\u4F53"}],"\\u4F60\\u597D "]', poll.body)
        self.assertEqual(poll.json()["result"][0]["value"]["from_uin"], 2001)

        self.assertEqual(client.send(0, "2001", "hi").body, b'{"retcode":0,"result":"ok"}')
        self.assertEqual(self.sim.control("sent")[0]["text"], "hi")

        good = client.api_post("/api/get_user_friends2", json.dumps(
            {"h": "hello", "hash": list_hash("10001", client.jar["ptwebqq"]), "vfwebqq": client.vfwebqq}))
        self.assertIn('"nick":"Tom","uin":2001}', good.text)   # raw UTF-8 names, the robot's delimiters
        self.assertIn('"name":"同学"', good.text)
        bad = client.api_post("/api/get_user_friends2", json.dumps(
            {"h": "hello", "hash": "00" + list_hash("10001", client.jar["ptwebqq"])[2:], "vfwebqq": client.vfwebqq}))
        self.assertEqual(bad.body, b'{"retcode":50}')

    def test_login_failures_in_the_service_words(self):
        cases = [
            # account extras, login arguments, expected code, words in the text
            ({}, {"password": "wrong"}, "3", "您输入的帐号或密码不正确"),
            ({"captcha": True, "captcha_code": "WXYZ"}, {"typed": "abcd"}, "4", "您输入的验证码不正确"),
            ({"protected": True}, {}, "19", "您的帐号暂时无法登录"),
            ({}, {"drop_cookies": True}, "24", "禁用cookies"),
        ]
        for number, (extra, kwargs, code, words) in enumerate(cases):
            with self.subTest(code=code):
                client = self.account(qq=str(30001 + number), **extra)
                reply = client.login(**kwargs)
                self.assertTrue(reply.text.startswith("ptuiCB('%s','0','','0','" % code), reply.text)
                self.assertIn(words, reply.text)
                self.assertTrue(reply.body.endswith(b"', '%d');\r\n" % (30001 + number)))
                self.assertEqual(reply.cookies, [])

    def test_captcha_login_with_picture_cookie_and_code(self):
        client = self.account(captcha=True, captcha_code="WXYZ")
        code, _ = client.check()
        self.assertGreater(len(code), 4)
        picture = client.captcha(code)
        self.assertTrue(picture.body.startswith(b"\x89PNG\r\n\x1a\n"))
        self.assertTrue(picture.cookies[0].startswith("verifysession="))
        self.assertIn("登录成功", client.login(typed="wxyz").text)

    def test_tokens_are_checked(self):
        client = self.account()
        client.log_in()
        wrong_ptwebqq = WebClient(self.sim, "10001", "pw")
        wrong_ptwebqq.jar = dict(client.jar, ptwebqq="0" * 64)
        self.assertEqual(wrong_ptwebqq.login2().json()["retcode"], 103)
        self.assertEqual(client.poll(psessionid="bad").body, b'{"retcode":103,"errmsg":""}')
        client.clientid = "7654321"
        self.assertEqual(client.send(0, "2001", "x").json()["retcode"], 103)

    def test_login_page_check_and_redirect_refuse_bad_tickets(self):
        client = self.account()
        reply = client.login()
        url = re.search(r"ptuiCB\('0','0','([^']*)'", reply.text).group(1)
        client.jar["skey"] = "@bad"
        self.assertEqual(client.follow_redirect(url).status, 403)
        self.assertNotIn("ptwebqq", client.jar)


class ProcessTest(unittest.TestCase):
    def test_stops_cleanly_on_sigterm_and_sigint(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(sig=sig):
                sim = Simulator()
                try:
                    sim.request("GET", "/cgi-bin/login?" + PROXY)
                    sim.proc.send_signal(sig)
                    self.assertEqual(sim.proc.wait(10), 0)
                    self.assertEqual(sim.proc.stderr.read(), b"")
                finally:
                    sim.stop()


if __name__ == "__main__":
    unittest.main()
