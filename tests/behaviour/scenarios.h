// What a user does to QEL and what QEL must show, as data, so that every
// build runs the very same table.
//
// Steps, one per string:
//   type TEXT        keys for TEXT, 40 ms apart    fast TEXT   the same, no pause
//   key K1 K2 ...    key combinations ("ctrl+v", "shift+Tab", "Escape")
//   restart K1 K2 ...   a fresh program, the keys pressed the moment its dialog maps
//   paste TEXT       TEXT on the clipboard, then Ctrl+V
//   clipboard TEXT   TEXT on the clipboard
//   hold K, release K   a key kept down across the steps between
//   expect D H O     the three fields once QEL has settled ("-" for empty)
//   beeps N          beeps since the start; "beeps linux=N wine=M ..." per build
//   click W FX FY    a click at a fraction of window W (main, about)
//   focus W | close W | shown W | gone W
//   menu COMMAND     an item of a browser's own context menu, by its editing command
//   running          the program has not ended
//   exit N           the program ends with exit code N
//   only T1 T2 ...   the rest is for these targets only (linux, wine, chromium, firefox, webkit)
#ifndef QEL_TESTS_SCENARIOS_H
#define QEL_TESTS_SCENARIOS_H

#include <string>
#include <vector>

struct Scenario {
  std::string name;
  std::vector<std::string> steps;
};

const std::vector<Scenario>& Scenarios();

#endif
