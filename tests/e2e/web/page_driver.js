// Loads the page in the installed Chromium (headless, with the profile folder given) and
// does what each action asks, printing one line for each:
//   check QUERY                  once a check has ended: the page's path, frame-sha256, summary
//   shot WIDTH HEIGHT FILE QUERY a screenshot of a check's frame in a window of that size
//   key CODE BEFORE AFTER QUERY  screenshots of the running page before and after a key
//   choose EFFECT QUERY          whether the panel is shown before and after the mouse moves,
//                                then EFFECT chosen in it and what its list holds after a reload
//   bench QUERY                  the bench's lines, joined by "; "
//   evaluate QUERY|URL EXPR      EXPR's value in the started page (with engine); "silent" after 5 s
// A failure to start prints the page's own line instead.
// Usage: node page_driver.js URL PROFILE_FOLDER ACTION...
"use strict";
const puppeteer = require("puppeteer-core");

const [url, profile, ...actions] = process.argv.slice(2);
const timeout = 120000;
const benchTimeout = 1800000; // the portable build's bench takes minutes on a busy machine

async function load(page, query, width = 800, height = 500) {
  await page.setViewport({ width, height });
  await page.goto(/^[a-z]+:/.test(query) ? query : `${url}?${query}`);
}

// Until the condition holds or the page says that it could not start.
async function settled(page, condition, wait = timeout) {
  await page.waitForFunction(`!document.getElementById("failure").hidden || (${condition})()`,
    { timeout: wait });
  return page.$eval("#failure", (failure) => failure.textContent);
}

const text = (page, id) => page.$eval(`#${id}`, (element) => element.textContent);
const pictureDrawn = () => {
  const canvas = document.getElementById("picture");
  const { data } = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height);
  return data.some((value, i) => i % 4 !== 3 && value !== 0);
};
const panelShown = () => getComputedStyle(document.getElementById("panel")).visibility === "visible";
const twoFrames = () => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)));

const perform = {
  async check(page, query) {
    await load(page, query);
    return await settled(page, () => document.getElementById("frame-sha256").textContent !== "") ||
      [await text(page, "path"), await text(page, "frame-sha256"), await text(page, "summary")].join(" ");
  },
  async shot(page, width, height, file, query) {
    await load(page, query, Number(width), Number(height));
    const failure = await settled(page, () => document.getElementById("frame-sha256").textContent !== "");
    await page.screenshot({ path: file });
    return failure || "taken";
  },
  async key(page, code, before, after, query) {
    await load(page, query, 640, 400);
    const failure = await settled(page, pictureDrawn);
    await page.screenshot({ path: before });
    await page.keyboard.press(code);
    await page.evaluate(twoFrames);
    await page.screenshot({ path: after });
    return failure || "taken";
  },
  async choose(page, effect, query) {
    await load(page, query);
    const failure = await settled(page, pictureDrawn);
    const before = await page.evaluate(panelShown);
    await page.mouse.move(300, 200);
    await page.mouse.move(320, 220);
    await settled(page, panelShown);
    await page.select("#effect", effect);
    await page.reload();
    await settled(page, pictureDrawn);
    const kept = await page.$eval("#effect", (list) => list.value);
    return failure || `${before ? "shown" : "hidden"} shown ${kept}`;
  },
  async bench(page, query) {
    await load(page, query);
    return await settled(page, () => document.getElementById("bench").textContent.includes("effect=7"),
      benchTimeout) ||
      (await text(page, "bench")).trim().split("\n").join("; ");
  },
  async evaluate(page, query, ...expression) {
    await load(page, query);
    await settled(page, () => window.engine);
    return Promise.race([page.evaluate(expression.join(" ")).catch((error) => error.message.split("\n")[0]),
      new Promise((resolve) => setTimeout(resolve, 5000, "silent"))]);
  },
};

(async () => {
  const browser = await puppeteer.launch({
    executablePath: "/usr/bin/chromium",
    userDataDir: profile,
    args: [
      ...(process.getuid() === 0 ? ["--no-sandbox"] : []),
      "--disable-gpu", "--disable-background-networking", "--disable-component-update",
      "--disable-sync", "--no-first-run",
    ],
  });
  try {
    const page = await browser.newPage();
    // The engine as the page gets it, for what the page does not show (a paced run's count).
    await page.evaluateOnNewDocument(() => { let made; Object.defineProperty(window, "Glimmerhex", {
      set: (factory) => (made = factory),
      get: () => () => made().then((engine) => (window.engine = engine)) }); });
    page.on("pageerror", (error) => console.error(`page: ${error.message}`));
    for (const action of actions) {
      const [verb, ...words] = action.split(" ");
      console.log(await perform[verb](page, ...words));
    }
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.error(`page_driver: ${error.message}`);
  process.exit(1);
});
