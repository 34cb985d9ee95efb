// The robot after login, as the main window would hold it: contact lists in the bridge, the
// plug-ins, the message view (echoed to standard output), the engine; the commands typed on
// standard input; and the exit path of a close request.
#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/AccountStore.h"
#include "app/ClientBridge.h"
#include "app/console/ConsoleIo.h"
#include "engine/MessageLog.h"
#include "engine/RobotEngine.h"
#include "pluginhost/PluginList.h"
#include "webqq/WebQQClient.h"

struct ConsoleSession {
  ConsoleSession(WebQQClient& webClient, AccountStore& accountStore)
      : client(webClient), store(accountStore), bridge(webClient) {}
  WebQQClient& client;
  AccountStore& store;
  ClientBridge bridge;
  MessageLog log;
  PluginList plugins;
  std::unique_ptr<RobotEngine> robot;
  int observerId = 0;
  std::atomic<bool> kicked{false};  // waiting for "relogin" or "quit"
};

// After a successful Login2: everything the main window's creation does. `enableNames` are
// plug-in names to enable after the scan.
void OpenConsoleSession(ConsoleSession& session, const std::vector<std::string>& enableNames);

// One typed line; false when it was "quit".
bool RunConsoleCommand(ConsoleSession& session, const std::string& line);

// Stops the worker, saves settings and the thesauri list, unloads plug-ins, logs out.
void CloseConsoleSession(ConsoleSession& session);
