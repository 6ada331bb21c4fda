"""A connection of our own to the DevTools protocol of a page in the
Chromium that chromedriver drives, beside chromedriver's: chromedriver
passes on commands but no events, and the bench needs events (a binding
the page calls, the trace's data) as they come.

Events are handed to the handlers set with on(), on the connection's own
thread, as soon as they arrive; a handler may send commands but not wait
for their answers.
"""
import itertools
import json
import queue
import socket
import threading
import urllib.request

from wsproto import ConnectionType, WSConnection
from wsproto.events import (AcceptConnection, CloseConnection, Ping, Request, TextMessage)


class DevTools:
    def __init__(self, driver):
        host, port = driver.capabilities["goog:chromeOptions"]["debuggerAddress"].split(":")
        targets = json.load(urllib.request.urlopen("http://%s:%s/json" % (host, port)))
        path = next(t for t in targets if t["type"] == "page")["webSocketDebuggerUrl"].split(port, 1)[1]
        self.socket = socket.create_connection((host, int(port)))
        self.socket.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.connection = WSConnection(ConnectionType.CLIENT)
        self.writing = threading.Lock()
        self.ids = itertools.count(1)
        self.answers = {}    # command id -> queue of its answer
        self.handlers = {}   # event method -> callback(params)
        self.text = []
        self.write(Request(host=host, target=path))
        self.accepted = threading.Event()
        threading.Thread(target=self.read, daemon=True).start()
        if not self.accepted.wait(10):
            raise RuntimeError("DevTools did not accept the connection")

    def write(self, event):
        with self.writing:
            self.socket.sendall(self.connection.send(event))

    def on(self, method, handler):
        self.handlers[method] = handler

    def post(self, method, params=None):
        """Sends a command; returns the queue its answer will arrive on."""
        number = next(self.ids)
        answer = self.answers[number] = queue.Queue(1)
        self.write(TextMessage(data=json.dumps({"id": number, "method": method, "params": params or {}})))
        return answer

    def send(self, method, params=None, timeout=30):
        reply = self.post(method, params).get(timeout=timeout)
        if "error" in reply:
            raise RuntimeError("%s: %s" % (method, reply["error"]))
        return reply.get("result", {})

    def read(self):
        while True:
            data = self.socket.recv(1 << 16)
            self.connection.receive_data(data or None)
            for event in self.connection.events():
                if isinstance(event, AcceptConnection):
                    self.accepted.set()
                elif isinstance(event, Ping):
                    self.write(event.response())
                elif isinstance(event, TextMessage):
                    self.text.append(event.data)
                    if event.message_finished:
                        self.dispatch(json.loads("".join(self.text)))
                        self.text = []
                elif isinstance(event, CloseConnection):
                    return
            if not data:
                return

    def dispatch(self, message):
        if "id" in message:
            answer = self.answers.pop(message["id"], None)
            if answer:
                answer.put(message)
        elif message.get("method") in self.handlers:
            self.handlers[message["method"]](message.get("params", {}))

    def close(self):
        self.socket.close()
