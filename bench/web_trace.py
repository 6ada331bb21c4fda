#!/usr/bin/env python3
"""Where the page's start goes: QEL's page and the floor of bench/web.py
loaded in turn in headless Chromium, each load traced (the DevTools
protocol's tracing, with its sampling profiler), and the renderer's main
thread from the start of navigation to the first frame that shows the
fields, drawn, taken apart:

- by kind of work: the navigation's commit, parsing the page, compiling
  scripts and the wasm (its functions as first called too), running
  scripts (the style and layout they force apart), style, layout, paint,
  garbage collection, other tasks (the browser's messages, loading), and
  idle;
- with --functions, each page's functions by the time the sampling
  profiler found in them, JavaScript and wasm (names where the module keeps
  them: link it with --profiling-funcs). The profiler slows the page most,
  and with the processor slowed, sees the native code it calls poorly.

Medians over RUNS loads of each, first visits (the browser's cache off, no
service worker), with the processor slowed RATE times (4 unless given).
Tracing slows the page: its figures are for telling where the time goes,
bench/web.py's for how long it takes.

  web_trace.py [--functions] SITE [SITE...] [RUNS [RATE]]
"""
import collections
import contextlib
import statistics
import sys
import tempfile
import threading

import web

CATEGORIES = ["devtools.timeline", "disabled-by-default-devtools.timeline", "v8.execute", "toplevel",
              "blink.user_timing", "loading", "disabled-by-default-v8.gc", "v8.wasm"]
PROFILER = "disabled-by-default-v8.cpu_profiler"

# What each traced event is; an event not named here is part of its parent's.
KINDS = [
    ("navigation commit", ("CommitNavigation", "RenderFrameImpl::", "FrameLoader::", "DocumentLoader::")),
    ("parsing the page", ("ParseHTML", "HTMLDocumentParser::")),
    ("compiling scripts and wasm", ("v8.compile", "v8.compileModule", "V8.CompileCode", "wasm.SyncCompile",
                                    "wasm.CompileLazy", "wasm.SyncInstantiate")),
    ("running scripts", ("EvaluateScript", "v8.run", "FunctionCall", "EventDispatch", "FireAnimationFrame",
                         "TimerFire", "RunMicrotasks", "v8.callFunction", "V8.Execute")),
    ("style", ("UpdateLayoutTree", "Document::recalcStyle", "Document::updateStyle")),
    ("layout", ("Layout",)),
    ("paint and commit", ("PrePaint", "Paint", "Layerize", "Commit", "UpdateLayer", "ProxyMain::BeginMainFrame")),
    ("garbage collection", ("MinorGC", "MajorGC", "V8.GC", "BlinkGC")),
]
FORCED = {"style": "style forced by scripts", "layout": "layout forced by scripts"}
ORDER = [kind for kind, _ in KINDS[:4]] + list(FORCED.values()) + [kind for kind, _ in KINDS[4:]] + [
    "other tasks", "idle"]


def kind_of(name):
    for kind, prefixes in KINDS:
        if any(name == p or (p.endswith("::") and name.startswith(p)) for p in prefixes):
            return kind
    return None


def main_thread(events, url):
    """The renderer main thread that loaded `url`, and its navigation's start."""
    start = next(e for e in events if e["name"] == "navigationStart" and
                 e.get("args", {}).get("data", {}).get("documentLoaderURL") == url)
    threads = [e["tid"] for e in events if e.get("ph") == "M" and e["name"] == "thread_name" and
               e["pid"] == start["pid"] and e["args"]["name"] == "CrRendererMain"]
    return start["pid"], threads[0], start["ts"]


def busy(events, pid, tid, begin, end):
    """Milliseconds of the main thread by kind, between two trace times."""
    tasks = sorted((e for e in events if e["pid"] == pid and e["tid"] == tid and e.get("ph") == "X" and
                    e["ts"] < end and e["ts"] + e.get("dur", 0) > begin),
                   key=lambda e: (e["ts"], -e.get("dur", 0)))
    spent = collections.Counter()
    stack = []  # [end, kind, children's time] of the open events
    outer = 0

    def close(until=None):
        while stack and (until is None or stack[-1][0] <= until):
            stop, kind, length, children = stack.pop()
            spent[kind or "other tasks"] += (length - children) / 1000

    for e in tasks:
        close(e["ts"])
        start, stop = max(e["ts"], begin), min(e["ts"] + e.get("dur", 0), end)
        parent = stack[-1][1] if stack else None
        kind = kind_of(e["name"]) or parent
        if parent == "running scripts" and kind in FORCED:
            kind = FORCED[kind]
        elif parent in FORCED.values() and kind in FORCED:
            kind = parent
        if stack:
            stack[-1][3] += stop - start
        else:
            outer += stop - start
        stack.append([e["ts"] + e.get("dur", 0), kind, stop - start, 0])
    close()
    spent["idle"] = (end - begin - outer) / 1000
    return spent


def sampled(events, pid, begin, end):
    """Milliseconds sampled in each function (itself, not its callees)."""
    nodes, times = {}, collections.Counter()
    chunks = sorted((e for e in events if e["pid"] == pid and e["name"] in ("Profile", "ProfileChunk")),
                    key=lambda e: e["ts"])
    clock, last = None, None
    for chunk in chunks:
        data = chunk["args"]["data"]
        if chunk["name"] == "Profile":
            clock = data["startTime"]
            continue
        profile = data.get("cpuProfile", {})
        for node in profile.get("nodes", []):
            frame = node["callFrame"]
            nodes[node["id"]] = frame["functionName"] or "(anonymous, %s)" % (frame.get("url") or "?").split("/")[-1]
        for sample, delta in zip(profile.get("samples", []), data.get("timeDeltas", [])):
            clock += delta
            if last and begin <= last[0] < end:
                times[nodes.get(last[1], "?")] += (clock - last[0]) / 1000
            last = (clock, sample)
    return times


def trace_load(pages, url, categories):
    """Loads `url` traced; the trace's events and the page's clocks."""
    tools, events, done = pages.devtools, [], threading.Event()
    tools.on("Tracing.dataCollected", lambda params: events.extend(params["value"]))
    tools.on("Tracing.tracingComplete", lambda params: done.set())
    pages.driver.get("about:blank")
    tools.send("Tracing.start", {"transferMode": "ReportEvents", "traceConfig": {"includedCategories": categories}})
    pages.armed = True
    pages.converted.clear()
    pages.driver.get(url)
    if not pages.converted.wait(20):
        raise SystemExit("%s: the 1 typed was not converted" % url)
    clocks = pages.driver.execute_script("return qelBench")
    tools.send("Tracing.end")
    if not done.wait(60):
        raise SystemExit("the trace did not end")
    return events, clocks


def main():
    arguments = sys.argv[1:]
    categories = CATEGORIES + ([PROFILER] if "--functions" in arguments else [])
    arguments = [argument for argument in arguments if argument != "--functions"]
    numbers = []
    while arguments and arguments[-1].replace(".", "", 1).isdigit():
        numbers.insert(0, arguments.pop())
    runs = int(numbers[0]) if numbers else 5
    rate = float(numbers[1]) if len(numbers) > 1 else 4
    sites = dict(zip(web.site_names(arguments), arguments))
    floor_site = web.floor_folder(tempfile.mkdtemp(prefix="qel-floor-"))

    loads = collections.defaultdict(list)      # page -> [Counter of kinds]
    paints = collections.defaultdict(list)     # page -> [ms]
    functions = collections.defaultdict(collections.Counter)
    with contextlib.ExitStack() as servers:
        urls = {name: servers.enter_context(web.browser.served(site, compressed=True)) for name, site in sites.items()}
        urls["floor"] = servers.enter_context(web.browser.served(floor_site, compressed=True))
        driver = web.browser.chromium(page_load_strategy="eager")
        try:
            pages = web.Pages(driver)
            driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": web.CLOCKS})
            driver.execute_cdp_cmd("Network.enable", {})
            driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
            driver.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": rate})
            for _ in range(runs):
                for name, url in urls.items():
                    driver.execute_cdp_cmd("Storage.clearDataForOrigin",
                                           {"origin": url.rstrip("/"), "storageTypes": "all"})
                    events, clocks = trace_load(pages, url, categories)
                    pid, tid, start = main_thread(events, url)
                    end = start + clocks["paint"] * 1000
                    loads[name].append(busy(events, pid, tid, start, end))
                    paints[name].append(clocks["paint"])
                    for function, ms in sampled(events, pid, start, end).items():
                        functions[name][function] += ms / runs
        finally:
            driver.quit()
    report(loads, paints, functions, runs, rate)


def report(loads, paints, functions, runs, rate):
    names = list(loads)
    width = max(12, *(len(name) + 2 for name in names))
    print("Renderer main thread, from navigation to the first frame drawn, traced; first visits,\n"
          "the processor %gx slower, median of %d loads each (ms):" % (rate, runs))
    print("  %-32s" % "" + "".join(name.rjust(width) for name in names))
    print("  %-32s" % "first frame drawn" + "".join(("%.1f" % statistics.median(paints[n])).rjust(width) for n in names))
    for kind in ORDER:
        print("  %-32s" % kind + "".join(("%.1f" % statistics.median(l[kind] for l in loads[n])).rjust(width)
                                         for n in names))
    for name in names:
        if not functions[name]:
            continue
        print("%s: time sampled in each function before the first frame, mean of %d loads (ms):" % (name, runs))
        for function, ms in functions[name].most_common(25):
            print("  %6.1f  %s" % (ms, function))


if __name__ == "__main__":
    main()
