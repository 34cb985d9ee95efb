import json
import threading
import time
import unittest

from simclient import SimTest, enc


class PollTest(SimTest):
    def setUp(self):
        super().setUp()
        self.client = self.account()
        self.sim.control("groups", {"gid": "3001", "code": "4001", "number": "50001", "name": "Fans"})
        self.client.log_in()

    def test_nothing_queued_answers_102_after_the_hold(self):
        started = time.monotonic()
        self.assertEqual(self.client.poll().body, b'{"retcode":102,"errmsg":""}')
        self.assertGreaterEqual(time.monotonic() - started, 0.9)

    def test_every_queued_event_in_one_reply_newest_first(self):
        events = [
            {"type": "message", "from": "2001", "elements": ["a\"b\\c", {"face": 14}]},
            {"type": "group_message", "group": "3001", "from": "2002", "text": "<&'>"},
            {"type": "sess_message", "group": "3001", "from": "2003", "text": "é"},
            {"type": "discu_message", "did": "6001", "from": "2004", "elements": [{"offpic": "/p1"}]},
            {"type": "system_message", "from": "2005", "account": "20005", "msg": "加我"},
        ]
        for event in events:
            self.sim.control("events", event)
        body = self.client.poll().body
        result = json.loads(body)["result"]
        self.assertEqual([e["poll_type"] for e in result],
                         ["system_message", "discu_message", "sess_message", "group_message", "message"])
        message, group, sess, discu = (result[4]["value"], result[3]["value"], result[2]["value"],
                                       result[1]["value"])
        self.assertEqual(message["content"][1:], ["a\"b\\c", ["face", 14], " "])
        self.assertEqual((group["from_uin"], group["send_uin"], group["group_code"], group["info_seq"]),
                         (3001, 2002, 4001, 50001))
        self.assertEqual((sess["id"], sess["from_uin"]), (3001, 2003))
        self.assertEqual((discu["did"], discu["send_uin"], discu["content"][1]),
                         (6001, 2004, ["offpic", {"success": 1, "file_path": "/p1"}]))
        self.assertEqual(result[0]["value"]["account"], 20005)
        # The wire style: ASCII only, upper-case escapes, the service's lower-case \u003c family.
        self.assertTrue(body.isascii())
        self.assertIn(b'"\\u003c\\u0026\\u0027\\u003e "', body)
        self.assertIn(b'"\\u00E9 "', body)
        self.assertIn(b'"msg":"\\u52A0\\u6211"', body)
        self.assertIn(b'"a\\"b\\\\c",["face",14]," "', body)

    def test_raw_reply_is_handed_out_byte_for_byte(self):
        raw = '{"retcode":0,"result":[{"poll_type":"tips","value":{"txt1":"\\u817E"}}]}'
        self.sim.control("events", {"raw": raw})
        self.assertEqual(self.client.poll().body, raw.encode())

    def test_retcodes_and_the_kick(self):
        self.sim.control("next_retcode", {"retcode": 121})
        self.assertEqual(self.client.poll().body, b'{"retcode":121,"t":"0"}')
        self.sim.control("next_retcode", {"retcode": 116})
        self.assertEqual(self.client.poll().json()["retcode"], 116)
        self.sim.control("kick", {})
        kick = self.client.poll().json()["result"][0]
        self.assertEqual(kick["poll_type"], "kick_message")
        self.assertIn("另一地点登录", kick["value"]["reason"])
        self.assertEqual(self.client.poll().body, b'{"retcode":121,"t":"0"}')
        self.assertEqual(self.client.login2().json()["retcode"], 0)   # the robot's reconnect
        self.assertEqual(self.client.poll().json()["retcode"], 102)

    def test_a_held_poll_gets_an_event_queued_while_it_waits(self):
        self.sim.control("poll_hold", {"seconds": 20})
        replies = []
        waiter = threading.Thread(target=lambda: replies.append(self.client.poll()))
        waiter.start()
        time.sleep(0.3)
        started = time.monotonic()
        self.sim.control("events", {"type": "message", "from": "2001", "text": "now"})
        waiter.join(10)
        self.assertLess(time.monotonic() - started, 2)
        self.assertEqual(replies[0].json()["result"][0]["value"]["content"][1], "now ")


class SendTest(SimTest):
    def setUp(self):
        super().setUp()
        self.client = self.account()
        for name, body in (("friends", {"uin": "2001", "qq": "20001", "nick": "Tom"}),
                           ("groups", {"gid": "3001", "code": "4001", "number": "50001", "name": "Fans"}),
                           ("discussions", {"did": "6001", "name": "Chat"})):
            self.sim.control(name, body)
        self.client.log_in()

    def signature(self, group, to):
        reply = self.client.get("/channel/get_c2cmsg_sig2?id=%s&to_uin=%s&service_type=0&clientid=%s"
                                "&psessionid=%s&t=1" % (group, to, self.client.clientid, self.client.psessionid))
        return reply.json()["result"]["value"]

    def test_each_kind_is_decoded_into_a_record(self):
        cases = [
            (0, "2001", "[/14]hi", "", ["", {"face": 14}, "hi"], "[/14]hi"),
            (1, "3001", "q\"b\\n\r\nx[br]y", "3001", ["q\"b\\n\nx\ry"], "q\"b\\n\nx\ry"),
            (2, "2009", "悄悄话", "3001", ["悄悄话"], "悄悄话"),
            (3, "6001", "a[/1]b[/2]", "", ["a", {"face": 1}, "b", {"face": 2}, ""], "a[/1]b[/2]"),
        ]
        for kind, to, text, group, elements, joined in cases:
            with self.subTest(kind=kind):
                signature = self.signature("3001", to) if kind == 2 else ""
                reply = self.client.send(kind, to, text, font_name="微软雅黑", size=11, style=(1, 0, 1),
                                         color="0080FF", signature=signature)
                self.assertEqual(reply.body, b'{"retcode":0,"result":"ok"}')
                record = self.sim.control("sent")[-1]
                self.assertEqual(record, {"owner": "10001", "kind": kind, "to": to, "group": group,
                                          "text": joined, "elements": elements,
                                          "font": {"name": "微软雅黑", "size": "11", "style": [1, 0, 1],
                                                   "color": "0080FF"}})

    def test_refusals(self):
        cases = [
            ("unknown friend", lambda: self.client.send(0, "9999", "x"), 100001),
            ("unknown group", lambda: self.client.send(1, "9999", "x"), 100001),
            ("no session signature", lambda: self.client.send(2, "2009", "x", signature="00"), 100100),
            ("signature for someone else",
             lambda: self.client.send(2, "2009", "x", signature=self.signature("3001", "2010")), 100100),
            ("text over 700 bytes", lambda: self.client.send(0, "2001", "字" * 234), 1202),
        ]
        for name, call, code in cases:
            with self.subTest(name):
                self.assertEqual(call().json()["retcode"], code)
        self.assertEqual(self.sim.control("sent"), [])
        self.assertEqual(self.client.send(0, "2001", "字" * 233).json()["retcode"], 0)

    def test_shake_status_and_logout_are_recorded(self):
        query = "&clientid=%s&psessionid=%s&t=1" % (self.client.clientid, self.client.psessionid)
        self.assertEqual(self.client.get("/channel/shake2?to_uin=2001" + query).body, b'{"retcode":0,"result":"ok"}')
        self.assertEqual(self.client.get("/channel/change_status2?newstatus=busy" + query).json()["retcode"], 0)
        self.assertEqual(self.sim.control("shakes"), [{"owner": "10001", "to": "2001"}])
        self.assertEqual([s["status"] for s in self.sim.control("statuses")], ["online", "busy"])
        self.client.get("/channel/logout2?clientid=%s&psessionid=%s&t1" % (self.client.clientid, self.client.psessionid))
        self.assertEqual(self.client.poll().json()["retcode"], 103)

    def test_the_request_log_keeps_headers_cookies_and_body(self):
        self.client.send(0, "2001", "log me")
        entry = self.sim.control("requests")[-1]
        self.assertEqual((entry["method"], entry["path"]), ("POST", "/channel/send_buddy_msg2"))
        self.assertEqual(entry["headers"]["Referer"], self.sim.base + "/channel/send_buddy_msg2")
        self.assertEqual(entry["cookies"]["ptwebqq"], self.client.jar["ptwebqq"])
        self.assertIn(enc("log me"), entry["body"])


if __name__ == "__main__":
    unittest.main()
