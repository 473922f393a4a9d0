// The picture matrix's WebGL 2 row: every case of golden/cases.txt opened as the page with
// its options as query parameters, and the canvas read back into OUT_DIR/NAME.png after the
// second frame (the first is drawn before the first simulation step has placed the light;
// the desktop's --screenshot draws the frame again after it). The log box must stay empty
// in every case.
//   node capture.mjs SITE_DIR OUT_DIR CASES_FILE
import fs from "node:fs";
import path from "node:path";
import { canvasPng, demoState, launch, openDemo, optionsToQuery, readCases, serve, waitForState } from "./harness.mjs";

const [site, out, casesFile] = process.argv.slice(2);
fs.mkdirSync(out, { recursive: true });
const server = await serve(site);
const browser = await launch();
let failed = false;
try {
  const page = await browser.context.newPage();
  for (const { name, options } of readCases(casesFile)) {
    const opened = await openDemo(page, server, optionsToQuery(options) + "&frames=2");
    if (opened.state !== "done") await waitForState(page, "done").catch(() => {});
    const state = await demoState(page);
    if (state.state !== "done") {
      console.error(`FAIL: ${name}: the page is ${state.state}: ${state.message || ""} ${state.output}`);
      failed = true;
      continue;
    }
    if (state.log) {
      console.error(`FAIL: ${name}: the log is not empty: ${state.log.slice(0, 2000)}`);
      failed = true;
    }
    fs.writeFileSync(path.join(out, name + ".png"), await canvasPng(page));
  }
  console.log(`webgl2-chromium: ${readCases(casesFile).length} captures in ${out}`);
} finally {
  await browser.close();
  server.close();
}
process.exit(failed ? 1 : 0);
