// The browser build's figures in headless Chromium (SwiftShader): the site's files, raw and
// gzipped; the time from navigation to the first frame; and for each model and mode the
// frames per second the page shows and the time of the program's pass (which includes its
// glFinish) per frame. Prints them and writes them to JSON_FILE.
//   node bench.mjs SITE_DIR JSON_FILE [RUNS] [SECONDS]
import fs from "node:fs";
import path from "node:path";
import zlib from "node:zlib";
import { launch, openDemo, serve, waitFrames } from "./harness.mjs";

const [site, jsonFile, runsArg, secondsArg] = process.argv.slice(2);
const runs = Number(runsArg || 9), seconds = Number(secondsArg || 5);
const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

const files = fs.readdirSync(site).sort().map(name => {
  const bytes = fs.readFileSync(path.join(site, name));
  return { name, raw: bytes.length, gzip: zlib.gzipSync(bytes, { level: 9 }).length };
});
const total = { raw: files.reduce((s, f) => s + f.raw, 0), gzip: files.reduce((s, f) => s + f.gzip, 0) };
console.log("Site files (bytes):");
for (const f of files) console.log(`  ${f.name.padEnd(16)} ${String(f.raw).padStart(8)} raw ${String(f.gzip).padStart(8)} gzip`);
console.log(`  ${"total".padEnd(16)} ${String(total.raw).padStart(8)} raw ${String(total.gzip).padStart(8)} gzip`);

const server = await serve(site);
const browser = await launch();
const result = { chromium: browser.context.browser()?.version() || "", files, total };
try {
  const firstFrame = [];
  for (let i = 0; i < runs; ++i) {
    const page = await browser.context.newPage();
    await openDemo(page, server, "");
    await page.waitForFunction(() => document.getElementById("canvas").dataset.firstFrameMs);
    firstFrame.push(Number(await page.evaluate(() => document.getElementById("canvas").dataset.firstFrameMs)));
    await page.close();
  }
  result.first_frame_ms = { median: median(firstFrame), min: Math.min(...firstFrame), max: Math.max(...firstFrame), runs };
  console.log(`Navigation to the first frame: median ${median(firstFrame)} ms of ${runs} (${Math.min(...firstFrame)} to ${Math.max(...firstFrame)})`);

  result.modes = [];
  console.log(`Per model and mode, ${seconds} s each: frames per second shown, and the program's pass (ms)`);
  for (const model of ["wall", "sphere", "torus"]) {
    for (const [mode, query] of [["diffuse", ""], ["colour", "&colour"], ["specular", "&specular"]]) {
      const page = await browser.context.newPage();
      await openDemo(page, server, `model=${model}${query}`);
      await waitFrames(page, 30);
      const measured = await page.evaluate(async seconds => {
        let start = 0, passes = 0, passMs = 0;
        const shown = Module.postMainLoop;
        Module.preMainLoop = () => { start = performance.now(); };
        Module.postMainLoop = () => { passMs += performance.now() - start; ++passes; shown(); };
        const frames0 = Number(document.getElementById("canvas").dataset.frames), t0 = performance.now();
        await new Promise(resolve => setTimeout(resolve, seconds * 1000));
        const frames = Number(document.getElementById("canvas").dataset.frames) - frames0;
        return { fps: frames / ((performance.now() - t0) / 1000), pass_ms: passMs / passes };
      }, seconds);
      result.modes.push({ model, mode, ...measured });
      console.log(`  ${model.padEnd(7)} ${mode.padEnd(9)} ${measured.fps.toFixed(1).padStart(7)} fps ${measured.pass_ms.toFixed(2).padStart(7)} ms pass`);
      await page.close();
    }
  }
} finally {
  await browser.close();
  server.close();
}
fs.writeFileSync(jsonFile, JSON.stringify(result, null, 2) + "\n");
