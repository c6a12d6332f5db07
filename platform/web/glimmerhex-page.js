// The page: loads the engine (the build with WebAssembly SIMD where the browser has it),
// takes the address's parameters, and runs the saver on the canvas at its pace; or runs a
// check (ticks=N) or the bench (bench=1) and reports.
"use strict";

(() => {
  const DefaultDelay = 16667; // microseconds: a generation a display refresh at 60 Hz
  const LongestDelay = 10000000;
  const FrameBudget = 10; // milliseconds of an animation frame that generations may take
  const SliceBudget = 50; // milliseconds of generations a check or the bench runs between yields
  const PanelShown = 3000; // milliseconds the panel stays once the mouse is still
  const PointerShown = 2000; // the same for the pointer in full screen
  const BenchGenerations = 20000, BenchWarmUp = 1000, BenchSeed = 2026, BenchPalette = 19;
  // The saver's keys as Win32 codes, found where they sit on a US keyboard.
  const SaverKeys = new Map([["KeyA", 65], ["KeyC", 67], ["KeyG", 71], ["KeyX", 88]]);

  const element = (id) => document.getElementById(id);
  const picture = element("picture"), panel = element("panel"), report = element("report");
  const progress = element("progress");
  const query = new URLSearchParams(location.search);

  // Bad values are ignored, with a note on the console.
  function ignored(name, wanted) {
    console.warn(`glimmerhex: ${name}=${query.get(name)} ignored: ${wanted}`);
    return null;
  }
  function wholeNumber(name, highest) {
    if (!query.has(name)) return null;
    const text = query.get(name);
    return /^[0-9]+$/.test(text) && Number(text) <= highest
      ? Number(text) : ignored(name, `a whole number from 0 to ${highest}`);
  }
  function oneOf(name, values) {
    if (!query.has(name)) return null;
    return values.includes(query.get(name)) ? query.get(name) : ignored(name, values.join(" or "));
  }

  const seed = wholeNumber("seed", 4294967295);
  const delay = wholeNumber("delay", LongestDelay) ?? DefaultDelay;
  const ticks = wholeNumber("ticks", 4294967295);
  const bench = oneOf("bench", ["0", "1"]) === "1";
  const showUi = oneOf("ui", ["0", "1"]) !== "0";
  const askedPath = oneOf("simd", ["sse2", "portable"]);

  // The smallest module with a SIMD instruction, a function returning v128.const 0: valid
  // only where the browser has WebAssembly SIMD.
  const SimdProbe = new Uint8Array([
    0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00, // "\0asm", version 1
    0x01, 0x05, 0x01, 0x60, 0x00, 0x01, 0x7b, // types: () -> v128
    0x03, 0x02, 0x01, 0x00, // functions: one of that type
    0x0a, 0x16, 0x01, 0x14, 0x00, 0xfd, 0x0c, // code: no locals, v128.const
    ...new Array(16).fill(0), 0x0b, // its 16 bytes, end
  ]);
  const hasSimd = typeof WebAssembly == "object" && WebAssembly.validate(SimdProbe);
  if (askedPath === "sse2" && !hasSimd)
    console.warn("glimmerhex: simd=sse2 cannot run in this browser (no WebAssembly SIMD); using portable");
  const build = hasSimd && askedPath !== "portable" ? "simd" : "portable";

  let engine = null, image = null, context = null;
  let effect = null, palette = null; // the choices the address asks for
  const nowSeconds = () => Math.floor(Date.now() / 1000) >>> 0;

  // Opened as a file, the browser refuses to fetch the engine ("Failed to fetch"), which
  // tells the user nothing of what to do.
  const ServeHint = location.protocol === "file:" ? ". Opened as a file, the page cannot load " +
    "its WebAssembly: serve its folder over http, for example with " +
    "\"python3 -m http.server 8000 --bind 127.0.0.1\" run in the folder, and open " +
    "http://127.0.0.1:8000/" : "";
  function fail(error) {
    element("failure").textContent =
      `Glimmerhex could not start: ${error.message ?? error}${ServeHint}`;
    element("failure").hidden = false;
  }

  function startRun(runSeed, runEffect, runPalette, store) {
    const started = engine._StartRun(runSeed, runEffect ?? -1, runPalette ?? -1, store);
    if (!started) fail(new Error("the display could not be set up (see the console)"));
    return started;
  }

  function draw() {
    engine._DrawRgbaFrame();
    context.putImageData(image, 0, 0);
  }

  // The picture as large as the window allows with its aspect kept, in device pixels.
  function fit() {
    const ratio = devicePixelRatio || 1;
    const at = engine._FitPage(Math.round(innerWidth * ratio), Math.round(innerHeight * ratio));
    const [x, y, width, height] = new Int32Array(engine.HEAPU8.buffer, at, 4);
    Object.assign(picture.style, {
      left: `${x / ratio}px`, top: `${y / ratio}px`,
      width: `${width / ratio}px`, height: `${height / ratio}px`,
    });
  }

  const hex = (bytes) => Array.from(new Uint8Array(bytes), (b) => b.toString(16).padStart(2, "0")).join("");

  // A task of its own, after what the browser has waiting (input, drawing, a script's
  // question); unlike setTimeout, not held back to 4 ms when nested, nor to once a second
  // in a hidden tab.
  const channel = new MessageChannel();
  const yieldToBrowser = () => new Promise((resolve) => {
    channel.port1.onmessage = resolve;
    channel.port2.postMessage(null);
  });

  // Runs count generations (any count up to 2^32 - 1) in slices of SliceBudget, so that the
  // page keeps answering, and after each slice shows the frame and how far it is (after
  // label). Resolves to the milliseconds of the generations alone, without the yields.
  async function runSliced(count, label) {
    let done = 0, spent = 0, step = 1;
    while (done < count) {
      const started = performance.now();
      let now = started;
      while (done < count && now - started < SliceBudget) {
        const run = Math.min(count - done, step), before = now;
        engine._RunGenerations(run);
        done += run;
        now = performance.now();
        // Calls of a millisecond or so: the clock's reading costs nothing beside them, and
        // a slow path (portable, a busy machine) still yields on time.
        if (now - before < 1) step *= 2;
        else if (now - before > 4 && step > 1) step /= 2;
      }
      spent += now - started;
      draw();
      progress.textContent = `${label}generation ${done} of ${count}`;
      if (done < count) await yieldToBrowser();
    }
    return spent;
  }

  // Runs count generations, then shows the frame and what the render tool says of the
  // same run.
  async function runCheck(count) {
    report.hidden = !showUi;
    await runSliced(count, "");
    draw();
    element("summary").textContent = engine.UTF8ToString(engine._RunSummary());
    const start = engine._RawFrame();
    const bytes = engine.HEAPU8.slice(start, start + engine._RawFrameBytes());
    element("frame-sha256").textContent = crypto.subtle
      ? hex(await crypto.subtle.digest("SHA-256", bytes))
      : "no SHA-256: the page is not in a secure context (https or localhost)";
  }

  // Generations a second for each effect, the time of the generations alone. Each effect
  // runs a while first, so that the browser has compiled its pass fully (it starts every
  // function with a quick baseline compile, and optimises the ones that run long).
  async function runBench() {
    report.hidden = !showUi;
    const generations = ticks || BenchGenerations;
    for (let chosen = 1; chosen < namesOf(false).length; ++chosen) {
      if (!startRun(seed ?? BenchSeed, chosen, palette ?? BenchPalette, false)) return;
      await runSliced(BenchWarmUp, `effect ${chosen}, warm-up: `);
      await new Promise((resolve) => setTimeout(resolve, 100));
      startRun(seed ?? BenchSeed, chosen, palette ?? BenchPalette, false);
      const spent = await runSliced(generations, `effect ${chosen}: `);
      const line = `effect=${chosen} generations=${generations} ` +
        `generations_per_second=${(generations * 1000 / spent).toFixed(1)}`;
      console.log(`glimmerhex: ${line}`);
      element("bench").textContent += `${line}\n`;
    }
  }

  const fullScreenElement = () => document.fullscreenElement ?? document.webkitFullscreenElement;
  function toggleFullScreen() {
    const root = document.documentElement;
    const change = fullScreenElement()
      ? document.exitFullscreen ?? document.webkitExitFullscreen
      : root.requestFullscreen ?? root.webkitRequestFullscreen;
    Promise.resolve(change?.call(fullScreenElement() ? document : root)).catch(() => {});
  }

  // The dialog's names of the effects or the palettes, "<Random>" first.
  function namesOf(isPalette) {
    const names = [];
    for (let name; (name = engine._ChoiceName(isPalette, names.length)) !== 0;)
      names.push(engine.UTF8ToString(name));
    return names;
  }

  // The panel: the dialog's two lists. A choice is stored and starts the world again with it.
  function fillPanel() {
    const lists = [element("effect"), element("palette")];
    lists.forEach((list, isPalette) => {
      namesOf(isPalette).forEach((name, i) => list.add(new Option(name, String(i))));
      // A stored byte beyond the list leaves it with no selection, as in the dialog.
      list.value = String(engine._RunChoice(isPalette));
      list.addEventListener("change", () => {
        const [effectChoice, paletteChoice] = lists.map((each, eachIsPalette) =>
          each.selectedIndex >= 0 ? each.selectedIndex : engine._RunChoice(eachIsPalette));
        startRun(seed ?? nowSeconds(), effectChoice, paletteChoice, true);
        list.blur(); // the saver's keys are the saver's again, and the panel may fade
      });
    });
    panel.hidden = false;
  }

  let panelTimer = 0, pointerTimer = 0;
  function fadePanel() {
    if (panel.matches(":hover") || panel.contains(document.activeElement))
      panelTimer = setTimeout(fadePanel, PanelShown);
    else
      panel.classList.remove("shown");
  }
  function notePointer() {
    document.body.classList.remove("still");
    clearTimeout(pointerTimer);
    if (fullScreenElement())
      pointerTimer = setTimeout(() => document.body.classList.add("still"), PointerShown);
  }

  // One generation every delay microseconds, as many as are due at each animation frame
  // (none while the tab is hidden); a backlog from a hidden tab or a slow machine is dropped
  // rather than caught up with. A generation due within a few milliseconds counts as due, so
  // that a delay of one display refresh gives one generation a frame however the frames'
  // times jitter. delay=0 runs generations for most of every frame.
  function runPaced() {
    const period = delay / 1000, early = Math.min(period / 2, 4);
    let next = null;
    const frame = (now) => {
      requestAnimationFrame(frame);
      if (next === null || now - next > Math.max(period, 250)) next = now;
      if (next > now + early) return;
      const started = performance.now();
      while (next <= now + early) {
        engine._RunGenerations(1);
        next += period;
        if (performance.now() - started >= FrameBudget) {
          next = Math.max(next, now);
          break;
        }
      }
      draw();
    };
    requestAnimationFrame(frame);

    addEventListener("keydown", (event) => {
      if (event.ctrlKey || event.altKey || event.metaKey || event.target instanceof HTMLSelectElement)
        return;
      if (event.code === "KeyF") toggleFullScreen();
      else if (SaverKeys.has(event.code)) engine._PressSaverKey(SaverKeys.get(event.code));
      else return;
      event.preventDefault();
      draw(); // a new palette shows at once
    });
    document.addEventListener("click", (event) => {
      if (!panel.contains(event.target)) toggleFullScreen();
    });
    for (const change of ["fullscreenchange", "webkitfullscreenchange"])
      document.addEventListener(change, notePointer);
    addEventListener("mousemove", () => {
      notePointer();
      if (panel.hidden) return;
      panel.classList.add("shown");
      clearTimeout(panelTimer);
      panelTimer = setTimeout(fadePanel, PanelShown);
    });
    if (showUi) fillPanel();
  }

  function start(module) {
    engine = module;
    context = picture.getContext("2d");
    image = new ImageData(new Uint8ClampedArray(engine.HEAPU8.buffer, engine._DrawRgbaFrame(),
      picture.width * picture.height * 4), picture.width, picture.height);
    fit();
    addEventListener("resize", fit);
    effect = wholeNumber("effect", namesOf(false).length - 1);
    palette = wholeNumber("palette", namesOf(true).length - 1);
    if (bench) return runBench();
    if (!startRun(seed ?? nowSeconds(), effect, palette, false)) return;
    element("path").textContent = `path=${engine.UTF8ToString(engine._ActivePathName())}`;
    if (ticks !== null) return runCheck(ticks);
    runPaced();
  }

  const script = document.createElement("script");
  script.src = `glimmerhex-${build}.js`;
  script.onload = () => Glimmerhex().then(start, fail);
  script.onerror = () => fail(new Error(`${script.src} did not load`));
  document.body.append(script);
})();
