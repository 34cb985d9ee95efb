import base64
import io
import json
import re
import unittest
import zipfile

from simclient import SimTest, enc, list_hash


class ApiTest(SimTest):
    def setUp(self):
        super().setUp()
        self.client = self.account(lnick="签名")
        for name, body in (
                ("friends", {"uin": "2001", "qq": "20001", "nick": "Tom", "markname": "汤姆", "vip": True}),
                ("groups", {"gid": "3001", "code": "4001", "number": "50001", "name": "粉丝", "markname": "F"}),
                ("discussions", {"did": "6001", "name": "讨论"}),
                ("strangers", {"uin": "7001", "qq": "70001", "nick": "Jim", "country": "中国",
                               "province": "广东", "city": "深圳"})):
            self.sim.control(name, body)
        self.client.log_in()
        self.query = "&vfwebqq=%s&t=1" % self.client.vfwebqq

    def test_lists_carry_raw_utf8_in_the_service_shapes(self):
        groups = self.client.api_post("/api/get_group_name_list_mask2", json.dumps(
            {"hash": list_hash("10001", self.client.jar["ptwebqq"]), "vfwebqq": self.client.vfwebqq})).text
        self.assertIn('"gnamelist":[{"flag":1048577,"name":"粉丝","gid":3001,"code":4001}]', groups)
        self.assertIn('"gmarklist":[{"uin":3001,"markname":"F"}]', groups)
        discus = self.client.get("/api/get_discus_list?clientid=%s&psessionid=%s%s"
                                 % (self.client.clientid, self.client.psessionid, self.query)).text
        self.assertEqual(discus, '{"retcode":0,"result":{"dnamelist":[{"name":"讨论","did":6001}]}}')
        friends = self.client.api_post("/api/get_user_friends2", json.dumps(
            {"h": "hello", "hash": list_hash("10001", self.client.jar["ptwebqq"]),
             "vfwebqq": self.client.vfwebqq})).text
        for piece in ('"uin":2001,"markname":"汤姆"', '"u":2001,"is_vip":1}', '"uin":2001,"categories":0}'):
            self.assertIn(piece, friends)

    def test_lookups(self):
        cases = [
            ("/api/get_friend_uin2?tuin=2001&verifysession=&type=1&code=", '"account":20001,'),
            ("/api/get_friend_uin2?tuin=4001&verifysession=&type=4&code=", '"account":50001,'),
            ("/api/get_stranger_info2?tuin=7001&verifysession=&gid=0&code=", 'country":"中国"'),
            ("/api/get_stranger_info2?tuin=2001&verifysession=&gid=0&code=", 'nick":"Tom"'),
            ("/api/get_single_long_nick2?tuin=10001", '"lnick":"签名"'),
        ]
        for path, piece in cases:
            with self.subTest(path):
                self.assertIn(piece, self.client.get(path + self.query).text)
        self.assertEqual(self.client.get("/api/get_friend_uin2?tuin=2001&type=1&vfwebqq=bad&t=1").json()["retcode"],
                         100101)

    def test_long_nick_is_set_from_raw_bytes_and_friend_answers_recorded(self):
        body = ("r=%7B%22nlk%22%3A%22".encode() + "新签名".encode("gbk")
                + ("%22%2C%22vfwebqq%22%3A%22" + self.client.vfwebqq + "%22%7D").encode())
        self.assertEqual(self.client.sim.request("POST", "/api/set_long_nick2", body,
                                                 cookie=self.client.cookie_b()).json()["retcode"], 0)
        self.assertIn('"lnick":"新签名"', self.client.get("/api/get_single_long_nick2?tuin=10001" + self.query).text)

        vf = "%22%2C%22vfwebqq%22%3A%22" + self.client.vfwebqq + "%22%7D"
        self.client.api_post("/api/allow_and_add2", "%7B%22account%22%3A20005%2C%22gid%22%3A0%2C%22mname%22%3A%22Bob" + vf)
        self.client.api_post("/api/allow_added_request2", "%7B%22account%22%3A20006" + vf[len("%22"):])
        self.client.api_post("/api/deny_added_request2", "%7B%22account%22%3A20007%2C%22msg%22%3A%22" + enc("不要") + vf)
        self.assertEqual(self.sim.control("friend_answers"), [
            {"owner": "10001", "action": "allow_and_add", "account": "20005", "gid": "0", "mname": "Bob"},
            {"owner": "10001", "action": "allow", "account": "20006"},
            {"owner": "10001", "action": "deny", "account": "20007", "msg": "不要"},
        ])

    def test_avatar_is_a_picture(self):
        reply = self.client.get("/cgi/svr/face/getface?cache=1&type=11&fid=0&uin=10001&vfwebqq=&t=1")
        self.assertTrue(reply.body.startswith(b"\x89PNG\r\n\x1a\n"))


class SiteTest(SimTest):
    def fetch(self, path, hops=3):
        reply = self.sim.request("GET", path)
        while reply.status == 302 and hops:
            reply, hops = self.sim.request("GET", dict(reply.headers)["Location"]), hops - 1
        return reply.text

    def lookup(self, word):
        """The lookup plugin's two requests."""
        page = self.fetch("/search/word?word=" + enc(word) + "&pic=1&sug=1&enc=utf8")
        if "多义词" in page:
            path = re.search(r'_blank href="([^"]*)"', page).group(1)
        else:
            m = re.search(r'logLemmaId = "([^"]*)"', page)
            path = "/view/" + (m.group(1) if m else "") + ".htm"
        article = self.fetch(path)
        if "您所访问的页面不存在" in article:
            return None
        m = re.search(r'Description" content="([^"]*)"', article)
        return m.group(1) if m else ""

    def test_encyclopedia_pages(self):
        self.sim.control("encyclopedia", {"word": "电脑", "lemma": "1234", "description": "电脑是一种机器。"})
        self.sim.control("encyclopedia", {"word": "苹果", "senses": [
            {"id": "11", "description": "一种水果。"}, {"id": "12", "description": "一家公司。"}]})
        self.sim.control("encyclopedia", {"word": "空白"})
        cases = [("电脑", "电脑是一种机器。"), ("苹果", "一种水果。"), ("空白", ""), ("没有", None)]
        for word, answer in cases:
            with self.subTest(word):
                self.assertEqual(self.lookup(word), answer)

    def test_update_endpoint_and_package_ranges(self):
        package = io.BytesIO()
        with zipfile.ZipFile(package, "w") as archive:
            archive.writestr("ZuvoRobot.exe", b"MZ" + bytes(5000))
        data = package.getvalue()
        self.sim.control("update", {"version": "V2.0.84", "message": "发现新版本",
                                    "package_base64": base64.b64encode(data).decode()})
        lines = self.sim.request("GET", "/GetNew.php").body.decode("gbk").split("\r\n")
        self.assertEqual(lines, ["V2.0.84", self.sim.base + "/update/zuvo.zip", "发现新版本"])
        whole = self.sim.request("GET", "/update/zuvo.zip")
        self.assertEqual(whole.body, data)
        part = self.sim.request("GET", "/update/zuvo.zip", headers={"Range": "bytes=100-"})
        self.assertEqual((part.status, part.body), (206, data[100:]))
        self.assertEqual(dict(part.headers)["Content-Range"], "bytes 100-%d/%d" % (len(data) - 1, len(data)))


if __name__ == "__main__":
    unittest.main()
