// What the browser tests share: the site served on 127.0.0.1, headless Chromium with
// WebGL 2 through SwiftShader (no GPU, no X server), the page opened with query
// parameters, the canvas read back, and pictures compared with the picture matrix's own
// metric (picture_compare).
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import { chromium } from "playwright-core";

const types = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript",
  ".wasm": "application/wasm",
  ".data": "application/octet-stream",
};

// Serves the files of dir (the site) on a free port of 127.0.0.1.
export async function serve(siteDir) {
  const dir = path.resolve(siteDir);
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, "http://x").pathname).replace(/^\/+/, "");
    const file = path.join(dir, name || "index.html");
    if (!file.startsWith(dir + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, { "Content-Type": types[path.extname(file)] || "application/octet-stream" });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise(resolve => server.listen(0, "127.0.0.1", resolve));
  return { url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() };
}

// The flags a root session on a machine without a GPU, a display or a network needs.
export const chromiumFlags = [
  "--headless=new", "--no-sandbox", "--enable-unsafe-swiftshader", "--use-angle=swiftshader",
  "--disable-quic", "--no-first-run", "--disable-background-networking",
  "--disable-component-update", "--disable-sync",
];

export async function launch() {
  const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), "bumpdemo-chromium-"));
  const context = await chromium.launchPersistentContext(userDataDir, {
    executablePath: process.env.BUMPDEMO_CHROMIUM || "/usr/bin/chromium",
    args: chromiumFlags,
    viewport: { width: 900, height: 1000 },
    acceptDownloads: true,
  });
  return {
    context,
    close: async () => {
      await context.close();
      fs.rmSync(userDataDir, { recursive: true, force: true });
    },
  };
}

// The canvas' state, its frame count and message, the page's log and output boxes.
export async function demoState(page) {
  return page.evaluate(() => {
    const canvas = document.getElementById("canvas");
    return {
      state: canvas.dataset.state,
      message: canvas.dataset.message,
      frames: Number(canvas.dataset.frames),
      log: document.getElementById("log").textContent,
      output: document.getElementById("output").textContent,
    };
  });
}

// Opens the page with the query (an object or a string) and waits until the program runs,
// has ended or has failed.
export async function openDemo(page, site, query = "") {
  const search = typeof query === "string" ? query : new URLSearchParams(query).toString().replace(/=(&|$)/g, "$1");
  await page.goto(site.url + "index.html" + (search ? "?" + search : ""));
  await page.waitForFunction(() => document.getElementById("canvas").dataset.state !== "loading", null,
                             { timeout: 60000 });
  return demoState(page);
}

export async function waitForState(page, state) {
  await page.waitForFunction(s => document.getElementById("canvas").dataset.state === s, state,
                             { timeout: 60000 });
}

// Waits until the program has drawn count more frames than it had when this was called.
export async function waitFrames(page, count) {
  const start = (await demoState(page)).frames;
  await page.waitForFunction(n => Number(document.getElementById("canvas").dataset.frames) >= n,
                             start + count, { timeout: 60000 });
}

// The canvas' pixels as a PNG file's bytes (its drawing buffer is kept after each frame).
export async function canvasPng(page) {
  const url = await page.evaluate(() => document.getElementById("canvas").toDataURL("image/png"));
  return Buffer.from(url.slice(url.indexOf(",") + 1), "base64");
}

// Compares pictures by picture_compare, the picture matrix's metric (or, exact, pixel for
// pixel): pairs maps a name to [reference PNG, captured PNG]. Its JSON result: each
// picture's pass and unmatched share.
export function comparePictures(compare, pairs, exact = false) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "bumpdemo-compare-"));
  try {
    for (const sub of ["ref", "got", "diff"]) fs.mkdirSync(path.join(dir, sub));
    const names = Object.keys(pairs);
    for (const name of names) {
      fs.writeFileSync(path.join(dir, "ref", name + ".png"), pairs[name][0]);
      fs.writeFileSync(path.join(dir, "got", name + ".png"), pairs[name][1]);
    }
    fs.writeFileSync(path.join(dir, "ref", "cases.txt"), names.map(n => n + "\n").join(""));
    const json = path.join(dir, "result.json");
    try {
      execFileSync(compare, [...(exact ? ["--exact"] : []), path.join(dir, "ref"), path.join(dir, "got"),
                             path.join(dir, "diff"), "--json", json], { stdio: "pipe" });
    } catch (e) {
      if (!fs.existsSync(json)) throw e;
    }
    return JSON.parse(fs.readFileSync(json, "utf8"));
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

// The options of a line of golden/cases.txt as query parameters: "--model wall --view 1"
// is "model=wall&view=1", a flag alone is "colour".
export function optionsToQuery(options) {
  const words = options.trim().split(/\s+/).filter(Boolean);
  const parts = [];
  for (let i = 0; i < words.length; ++i) {
    const name = words[i].replace(/^--/, "");
    if (i + 1 < words.length && !words[i + 1].startsWith("--")) parts.push(name + "=" + words[++i]);
    else parts.push(name);
  }
  return parts.join("&");
}

export function readCases(file) {
  return fs.readFileSync(file, "utf8").split("\n")
    .filter(line => line.trim() && !line.startsWith("#"))
    .map(line => {
      const [name, ...rest] = line.trim().split(/\s+/);
      return { name, options: rest.join(" ") };
    });
}
