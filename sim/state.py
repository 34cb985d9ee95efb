"""Everything the simulated service knows: accounts, contacts, login tickets, sessions, queues, records."""

import secrets
import threading
import time

STATUS_NAMES = ("online", "callme", "away", "busy", "silent", "hidden", "offline")


class SimError(Exception):
    """A control call with a bad body: answered 400 with the message."""


def new_hex(length):
    return secrets.token_hex((length + 1) // 2)[:length]


class Account:
    def __init__(self, body):
        self.qq = text_field(body, "qq", required=True, digits_only=True)
        self.password = text_field(body, "password", required=True)
        self.nick = text_field(body, "nick") or self.qq
        self.lnick = text_field(body, "lnick")
        self.captcha = bool(body.get("captcha", False))
        self.captcha_code = text_field(body, "captcha_code") or "ABCD"
        self.protected = bool(body.get("protected", False))
        self.categories = []
        self.friends = []
        self.groups = []
        self.discussions = []
        self.queue = []           # oldest first; items are ("event", dict) or ("raw", bytes)
        self.next_retcodes = []
        self.ptwebqq = ""
        self.session = None

    def find(self, items, key, value):
        return next((item for item in items if item[key] == value), None)


class Session:
    def __init__(self, account, clientid, status):
        self.account = account
        self.clientid = clientid
        self.status = status
        self.vfwebqq = new_hex(80)
        self.psessionid = ("8368046764001d636f6e6e7365727665725f77656271714031302e3133332e34312e383400"
                           + new_hex(64) + self.vfwebqq)
        self.ended = ""           # "", "replaced", "logout" or "kicked"
        self.c2c_sigs = {}        # value -> (group id, to uin)


def text_field(body, name, required=False, digits_only=False):
    value = body.get(name)
    if value is None or value == "":
        if required:
            raise SimError("missing field: " + name)
        return ""
    if isinstance(value, bool) or not isinstance(value, (str, int)):
        raise SimError("field %s must be a text" % name)
    value = str(value)
    if digits_only and not value.isdigit():
        raise SimError("field %s must be decimal digits" % name)
    return value


def int_field(body, name, default=0):
    value = body.get(name, default)
    try:
        return int(value)
    except (TypeError, ValueError):
        raise SimError("field %s must be a number" % name) from None


class State:
    def __init__(self, poll_hold):
        self.lock = threading.RLock()
        self.wake = threading.Condition(self.lock)
        self.poll_hold = poll_hold
        self.reset()

    def reset(self):
        with self.lock:
            for session in getattr(self, "sessions", {}).values():
                session.ended = session.ended or "logout"   # held polls answer at once
            self.accounts = {}
            self.strangers = {}
            self.login_sigs = set()
            self.checks = {}          # ptvfsession -> (qq, code)
            self.captcha_keys = {}    # cap_cd -> qq
            self.picture_sessions = {}  # verifysession -> qq
            self.tickets = {}         # ptsig -> (qq, skey)
            self.sessions = {}        # psessionid -> Session
            self.requests = []
            self.sent = []
            self.shakes = []
            self.statuses = []
            self.friend_answers = []
            self.long_nicks = []
            self.faults = {}          # path -> list of fault dicts
            self.encyclopedia = {}    # word -> entry
            self.update = {"version": "V2.0.83", "message": "", "raw": None,
                           "package": None, "rate": 0}
            self.counter = 20000 + secrets.randbelow(10000)
            self.wake.notify_all()

    def next_id(self):
        with self.lock:
            self.counter += 1
            return self.counter

    # --- owners ---------------------------------------------------------------------

    def owner(self, body):
        with self.lock:
            qq = body.get("owner")
            if qq in (None, ""):
                if len(self.accounts) != 1:
                    raise SimError("owner is needed unless exactly one account exists")
                return next(iter(self.accounts.values()))
            account = self.accounts.get(str(qq))
            if account is None:
                raise SimError("no such account: %s" % qq)
            return account

    def account_by_ptwebqq(self, ptwebqq):
        with self.lock:
            if not ptwebqq:
                return None
            return next((a for a in self.accounts.values() if a.ptwebqq == ptwebqq), None)

    def live_session(self, psessionid, clientid):
        """The session answering to both tokens, or None; an ended session is returned as is."""
        with self.lock:
            session = self.sessions.get(psessionid or "")
            if session is None or session.clientid != (clientid or ""):
                return None
            return session

    def session_by_vfwebqq(self, vfwebqq):
        with self.lock:
            if not vfwebqq:
                return None
            return next((s for s in self.sessions.values()
                         if not s.ended and s.vfwebqq == vfwebqq), None)

    def start_session(self, account, clientid, status):
        with self.lock:
            if account.session is not None and not account.session.ended:
                account.session.ended = "replaced"
            session = Session(account, clientid, status)
            self.sessions[session.psessionid] = session
            account.session = session
            self.wake.notify_all()
            return session

    def end_session(self, session, why):
        with self.lock:
            if not session.ended:
                session.ended = why
            self.wake.notify_all()

    # --- events ---------------------------------------------------------------------

    def queue(self, account, item):
        with self.lock:
            account.queue.append(item)
            self.wake.notify_all()

    def people(self, account, uin):
        """A friend or stranger record by uin (friends first)."""
        with self.lock:
            return account.find(account.friends, "uin", uin) or self.strangers.get(uin)

    def take_fault(self, path):
        with self.lock:
            faults = self.faults.get(path)
            if not faults:
                return None
            fault = faults[0]
            fault["count"] -= 1
            if fault["count"] <= 0:
                faults.pop(0)
            return dict(fault)

    def log_request(self, record):
        with self.lock:
            record["seq"] = len(self.requests) + 1
            record["time"] = time.time()
            self.requests.append(record)
