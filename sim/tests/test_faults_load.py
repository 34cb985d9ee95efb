import http.client
import json
import socket
import threading
import time
import unittest

from simclient import SimTest


class FaultTest(SimTest):
    def raw_get(self, path):
        """The bytes the server sent before it closed, and whether it closed."""
        sock = socket.create_connection(("127.0.0.1", self.sim.port), timeout=10)
        try:
            sock.sendall(("GET %s HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n" % path).encode())
            data = b""
            while True:
                piece = sock.recv(65536)
                if not piece:
                    return data
                data += piece
        finally:
            sock.close()

    def test_each_mode_for_count_requests_then_normal(self):
        page = "/cgi-bin/login"
        cases = [
            ("drop", lambda data: self.assertEqual(data, b"")),
            ("garbage", lambda data: self.assertNotIn(b"g_login_sig", data)),
            ("close", lambda data: self.assertLess(len(data.split(b"\r\n\r\n", 1)[1]),
                                                   int(data.split(b"Content-Length: ")[1].split(b"\r\n")[0]))),
        ]
        for mode, check in cases:
            with self.subTest(mode):
                self.sim.control("faults", {"path": page, "mode": mode, "count": 2})
                for _ in range(2):
                    check(self.raw_get(page))
                self.assertIn(b"g_login_sig", self.raw_get(page))

    def test_delay_holds_the_answer(self):
        self.sim.control("faults", {"path": "/check", "mode": "delay", "count": 1, "seconds": 1.5})
        started = time.monotonic()
        self.assertEqual(self.sim.request("GET", "/check?uin=1").status, 200)
        self.assertGreaterEqual(time.monotonic() - started, 1.4)

    def test_bad_input_gets_an_answer_and_the_server_lives(self):
        cases = [
            ("POST", "/channel/poll2", "r=%7Bnot json"),
            ("POST", "/channel/send_buddy_msg2", "r=%FF%FE"),
            ("GET", "/channel/poll2", None),
            ("POST", "/api/get_user_friends2", "\x00\x01"),
            ("GET", "/check?uin=" + "9" * 40, None),
            ("GET", "/getimage?cap_cd=%ZZ", None),
            ("POST", "/__sim/events", "[1,2]"),
            ("GET", "/no/such/path", None),
        ]
        for method, path, body in cases:
            with self.subTest(path=path):
                self.assertIn(self.sim.request(method, path, body).status, (200, 400, 404, 405))
        self.assertEqual(self.sim.request("GET", "/cgi-bin/login").status, 200)


class LoadTest(SimTest):
    sim_args = ("--poll-hold", "8")

    def test_five_held_polls_while_fifty_requests_a_second_are_answered(self):
        client = self.account()
        client.log_in()
        polls = []
        pollers = [threading.Thread(target=lambda: polls.append(client.poll(timeout=20).body)) for _ in range(5)]
        for poller in pollers:
            poller.start()
        time.sleep(0.3)

        answers, failures = [], []

        def one(index):
            try:
                conn = http.client.HTTPConnection("127.0.0.1", self.sim.port, timeout=10)
                conn.request("GET", "/check?uin=%d&appid=1003903" % (10000 + index))
                reply = conn.getresponse()
                body = reply.read()
                conn.close()
                (answers if reply.status == 200 and body.startswith(b"ptui_checkVC(") else failures).append(index)
            except OSError as err:
                failures.append((index, err))

        workers = []
        started = time.monotonic()
        for index in range(150):   # three seconds at fifty a second
            time.sleep(max(0, started + index / 50 - time.monotonic()))
            worker = threading.Thread(target=one, args=(index,))
            worker.start()
            workers.append(worker)
        for worker in workers:
            worker.join(15)
        self.assertEqual(failures, [])
        self.assertEqual(len(answers), 150)
        self.assertEqual(polls, [], "a poll came back before its hold ended")

        self.sim.control("events", {"type": "message", "from": "2001", "text": "one batch"})
        for poller in pollers:
            poller.join(20)
        batches = [json.loads(body) for body in polls]
        self.assertEqual(sorted(b["retcode"] for b in batches), [0, 102, 102, 102, 102])


if __name__ == "__main__":
    unittest.main()
