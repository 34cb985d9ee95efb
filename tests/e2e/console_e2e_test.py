"""End to end: the simulator, ZuvoConsole in a fresh run directory, a friend's message and
its reply, then the exit path.

    ZUVO_CONSOLE=build/native/run/ZuvoConsole python3 -m unittest discover -s tests/e2e -p '*_test.py'

Without ZUVO_CONSOLE the native build's program is used.
"""
import json
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CONSOLE = os.environ.get("ZUVO_CONSOLE", os.path.join(ROOT, "build", "native", "run", "ZuvoConsole"))
SERVER_KEYS = ("LoginPage", "Login", "Captcha", "Channel", "Api", "Avatar", "Encyclopedia",
               "Update", "Register", "Security")


def start_simulator(test):
    sim = subprocess.Popen([sys.executable, os.path.join(ROOT, "sim", "webqq_sim.py"), "--port", "0"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    test.addCleanup(stop_process, sim)
    url = sim.stdout.readline().strip()
    test.assertTrue(url.startswith("http://"), "the simulator did not start")
    return url


def stop_process(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def control(url, path, body=None):
    data = None if body is None else json.dumps(body).encode("utf-8")
    with urllib.request.urlopen(urllib.request.Request(url + path, data=data), timeout=10) as answer:
        return json.loads(answer.read().decode("utf-8"))


def write_run_directory(url, thesauri):
    folder = tempfile.mkdtemp(prefix="zuvo-e2e-")
    servers = "".join("%s=%s\r\n" % (key, url) for key in SERVER_KEYS)
    with open(os.path.join(folder, "ZuvoRobot.ini"), "wb") as ini:
        ini.write(("[Servers]\r\n" + servers).encode("ascii"))
    os.mkdir(os.path.join(folder, "Thesaurus"))
    for name, text in thesauri.items():
        with open(os.path.join(folder, "Thesaurus", name + ".zc"), "wb") as f:
            f.write(text.encode("gbk"))
    with open(os.path.join(folder, "Thesaurus", "syck.txt"), "wb") as f:
        f.write("".join(name + "\r\n" for name in thesauri).encode("gbk"))
    return folder


class Console:
    """ZuvoConsole with its output lines collected on reader threads."""

    def __init__(self, test, args):
        self.process = subprocess.Popen([CONSOLE] + args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE)
        test.addCleanup(stop_process, self.process)
        self.rows = []
        self.errors = []
        self.lock = threading.Lock()
        for stream, lines in ((self.process.stdout, self.rows), (self.process.stderr, self.errors)):
            threading.Thread(target=self._collect, args=(stream, lines), daemon=True).start()

    def _collect(self, stream, lines):
        for raw in stream:
            with self.lock:
                lines.append(raw.decode("utf-8", "replace").rstrip("\n"))

    def send(self, line):
        self.process.stdin.write((line + "\n").encode("utf-8"))
        self.process.stdin.flush()

    def wait_for_row(self, source, content, seconds=15):
        deadline = time.time() + seconds
        while time.time() < deadline:
            with self.lock:
                for row in self.rows:
                    fields = row.split("\t")
                    if len(fields) == 3 and fields[0] == source and fields[2] == content:
                        return fields
            if self.process.poll() is not None:
                break
            time.sleep(0.05)
        with self.lock:
            raise AssertionError("no row %s / %s in %r; errors %r" % (source, content, self.rows, self.errors))


def wait_until(condition, seconds=15):
    deadline = time.time() + seconds
    while time.time() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    return condition()


class ConsoleSessionTest(unittest.TestCase):
    def test_friend_message_is_answered_and_quit_logs_out(self):
        url = start_simulator(self)
        control(url, "/__sim/poll_hold", {"seconds": 1})
        control(url, "/__sim/accounts", {"qq": "10001", "password": "pw", "nick": "Tester", "lnick": ""})
        control(url, "/__sim/friends", {"uin": "2001", "qq": "20001", "nick": "Tom", "markname": "",
                                        "category": 0, "vip": False})
        run = write_run_directory(url, {"问候": "#你好\r\n你好呀\r\n"})
        self.addCleanup(shutil.rmtree, run, True)

        console = Console(self, ["--dir", run, "--qq", "10001", "--password", "pw", "--start"])
        time_field = console.wait_for_row("系统", "ZuvoRobot初始化成功。")[1]
        self.assertRegex(time_field, r"^\d{1,2}:\d{1,2} \d{4}/\d{1,2}/\d{1,2}$")
        console.wait_for_row("系统", "机器人已启动，开始工作。")

        control(url, "/__sim/events", {"type": "message", "from": "2001", "text": "你好"})
        sent = wait_until(lambda: control(url, "/__sim/sent"))
        self.assertEqual([(m["kind"], m["to"], m["text"]) for m in sent], [(0, "2001", "你好呀")])
        console.wait_for_row("消息", "接收至：20001：内容：你好")
        console.wait_for_row("消息", "发送至：20001：内容：你好呀")

        console.send("quit")
        self.assertEqual(console.process.wait(20), 0, console.errors)
        self.assertTrue(control(url, "/__sim/requests?path=/channel/logout2"), "no logout request")
        self.assertTrue(os.path.isfile(os.path.join(run, "Userdata", "10001", "ZuvoRobot.ini")))
        with open(os.path.join(run, "Thesaurus", "syck.txt"), "rb") as f:
            self.assertEqual(f.read().decode("gbk").split(), ["问候"])

    def test_end_of_input_and_sigterm_run_the_exit_path(self):
        endings = {"end of input": lambda console: console.process.stdin.close(),
                   "SIGTERM": lambda console: console.process.terminate()}
        for name, end in endings.items():
            with self.subTest(name):
                url = start_simulator(self)
                control(url, "/__sim/poll_hold", {"seconds": 1})
                control(url, "/__sim/accounts", {"qq": "10001", "password": "pw", "nick": "Tester", "lnick": ""})
                run = write_run_directory(url, {"问候": "#你好\r\n你好呀\r\n"})
                self.addCleanup(shutil.rmtree, run, True)
                console = Console(self, ["--dir", run, "--qq", "10001", "--password", "pw"])
                console.wait_for_row("系统", "ZuvoRobot初始化成功。")
                end(console)
                self.assertEqual(console.process.wait(20), 0, console.errors)
                self.assertTrue(control(url, "/__sim/requests?path=/channel/logout2"), "no logout request")


if __name__ == "__main__":
    unittest.main()
