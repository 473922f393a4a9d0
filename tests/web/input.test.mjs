// The browser build with real input, in headless Chromium: keys, the mouse, the page's
// buttons, dropped files and query parameters, each checked by the picture it leaves (the
// references of the picture matrix, by its metric) or by the page's own state.
//   BUMPDEMO_SITE=DIR BUMPDEMO_GOLDEN=DIR BUMPDEMO_COMPARE=EXE BUMPDEMO_NATIVE=EXE node --test input.test.mjs
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { after, before, test } from "node:test";
import { canvasPng, comparePictures, demoState, launch, openDemo, serve, waitForState, waitFrames } from "./harness.mjs";

const golden = process.env.BUMPDEMO_GOLDEN;
const compare = process.env.BUMPDEMO_COMPARE;
let site, browser;

before(async () => {
  site = await serve(process.env.BUMPDEMO_SITE);
  browser = await launch();
});
after(async () => {
  await browser.close();
  site.close();
});

async function openPage(query) {
  const page = await browser.context.newPage();
  const state = await openDemo(page, site, query);
  return { page, state };
}

// A key pressed on the canvas, and the picture a few frames later.
async function press(page, key) {
  await page.keyboard.press(key);
  await waitFrames(page, 3);
  return canvasPng(page);
}

function reference(name) {
  return fs.readFileSync(path.join(golden, name + ".png"));
}

function assertAllPass(result) {
  const failed = result.pictures.filter(p => !p.pass).map(p => `${p.name} (${(100 * p.share).toFixed(3)} %)`);
  assert.deepEqual(failed, [], "pictures that do not match their references");
}

// RGBA pixels of a PNG, decoded by the browser.
async function pixels(page, png) {
  return page.evaluate(async base64 => {
    const image = new Image();
    image.src = "data:image/png;base64," + base64;
    await image.decode();
    const canvas = new OffscreenCanvas(image.width, image.height);
    const context = canvas.getContext("2d");
    context.drawImage(image, 0, 0);
    return Array.from(context.getImageData(0, 0, image.width, image.height).data);
  }, png.toString("base64"));
}

// The rows of the panel's one-line note, at the top of the picture.
const NoteRows = 40;

function litPixels(rgba) {
  let count = 0;
  for (let i = 0; i < rgba.length; i += 4) if (rgba[i] + rgba[i + 1] + rgba[i + 2] > 30) ++count;
  return count;
}

// A 24-bit BMP of width x height pixels of one colour (r, g, b).
function plainBmp(width, height, [r, g, b]) {
  const row = Math.ceil(width * 3 / 4) * 4;
  const bytes = Buffer.alloc(54 + row * height);
  bytes.write("BM", 0, "latin1");
  bytes.writeUInt32LE(bytes.length, 2);
  bytes.writeUInt32LE(54, 10);
  bytes.writeUInt32LE(40, 14);
  bytes.writeInt32LE(width, 18);
  bytes.writeInt32LE(height, 22);
  bytes.writeUInt16LE(1, 26);
  bytes.writeUInt16LE(24, 28);
  bytes.writeUInt32LE(row * height, 34);
  for (let y = 0; y < height; ++y)
    for (let x = 0; x < width; ++x) bytes.set([b, g, r], 54 + y * row + x * 3);
  return bytes;
}

async function dropFile(page, name, bytes) {
  const transfer = await page.evaluateHandle(({ name, data }) => {
    const transfer = new DataTransfer();
    transfer.items.add(new File([new Uint8Array(data)], name));
    return transfer;
  }, { name, data: Array.from(bytes) });
  await page.dispatchEvent("#canvas", "drop", { dataTransfer: transfer });
  await waitFrames(page, 4);
}

test("keys 1-5, D, S and M draw the references of the views, the maps and the models", async () => {
  const { page } = await openPage("time=300");
  await page.click("#canvas");
  const steps = [["3", "wall-vectors-t300"], ["2", "wall-normals-t300"], ["4", "wall-flat-t300"],
                 ["5", "wall-vertex-t300"], ["1", "wall-lit-t300"], ["d", "wall-colour-t300"],
                 ["d", null], ["s", "wall-highlight-t300"], ["s", null], ["m", "sphere-lit-t300"],
                 ["m", "torus-lit-t300"], ["3", "torus-vectors-t300"]];
  const pictures = {};
  for (const [key, name] of steps) {
    const png = await press(page, key);
    if (name) pictures[name] = [reference(name), png];
  }
  assertAllPass(comparePictures(compare, pictures));
  // The keys did not scroll the page, which is taller than the window.
  assert.ok(await page.evaluate(() => document.documentElement.scrollHeight > innerHeight));
  await press(page, "Space");
  await press(page, "ArrowDown");
  assert.equal(await page.evaluate(() => scrollY), 0);
  await page.close();
});

test("Space pauses the running light; Left and Right step it back and on", async () => {
  const { page } = await openPage("");
  await page.click("#canvas");
  await waitFrames(page, 3);
  const moving = await canvasPng(page);
  await waitFrames(page, 10);
  assert.notDeepEqual(await canvasPng(page), moving, "the light moves");
  const paused = await press(page, "Space");
  await waitFrames(page, 10);
  assert.deepEqual(await canvasPng(page), paused, "a paused light stands still");
  const stepped = await press(page, "ArrowRight");
  assert.notDeepEqual(stepped, paused);
  assert.deepEqual(await press(page, "ArrowLeft"), paused, "Left undoes Right");
  await page.close();
});

test("a drag turns the model and the wheel brings the camera nearer; R puts both back", async () => {
  const { page } = await openPage("time=300");
  await page.click("#canvas", { position: { x: 320, y: 240 } });
  await waitFrames(page, 3);
  const start = await canvasPng(page);
  await page.mouse.move(320, 240);
  await page.mouse.down();
  await page.mouse.move(420, 260, { steps: 5 });
  await page.mouse.move(900, 300, { steps: 3 });  // outside the canvas: the drag goes on
  await page.mouse.up();
  await waitFrames(page, 3);
  const turned = await canvasPng(page);
  assert.notDeepEqual(turned, start, "the drag turned the model");
  assert.deepEqual(await press(page, "r"), start);

  await page.mouse.move(320, 240);
  await page.mouse.wheel(0, -300);  // three notches away from the user
  await waitFrames(page, 3);
  const nearer = await canvasPng(page);
  assert.ok(litPixels(await pixels(page, nearer)) > 1.2 * litPixels(await pixels(page, start)),
            "nearer, the wall covers more of the picture");
  assert.equal(await page.evaluate(() => scrollY), 0, "the wheel did not scroll the page");
  assert.deepEqual(await press(page, "r"), start);
  await page.close();
});

test("a right click probes the pixel, with no context menu; P and H put the picture back", async () => {
  const { page } = await openPage("time=300");
  await waitFrames(page, 3);
  const start = await canvasPng(page);
  const menuPrevented = await page.evaluate(() => {
    const event = new MouseEvent("contextmenu", { bubbles: true, cancelable: true });
    document.getElementById("canvas").dispatchEvent(event);
    return event.defaultPrevented;
  });
  assert.equal(menuPrevented, true, "the canvas keeps the context menu away");
  await page.click("#canvas", { button: "right", position: { x: 320, y: 240 } });
  await waitFrames(page, 3);
  assert.notDeepEqual(await canvasPng(page), start, "the probe's cross and panel are drawn");
  await press(page, "p");
  assert.deepEqual(await press(page, "h"), start);
  await page.close();
});

test("a bad query parameter shows the command line's own error text", async () => {
  // The page's parameters and the native program's arguments that give the same error
  // (the native one asks for the ES context the browser always has).
  const cases = [["view=9", ["--view=9"]], ["frames=0", ["--frames=0"]], ["colour=1", ["--colour=1"]],
                 ["renderer=stages", ["--context=es", "--renderer=stages"]], ["context=compat", null],
                 ["model=", ["--model"]], ["basis=edge", ["--basis=edge"]], ["bogus", ["--bogus"]]];
  for (const [query, nativeArgs] of cases) {
    const { page, state } = await openPage(query);
    assert.equal(state.state, "error", query);
    if (nativeArgs) {
      const native = spawnSync(process.env.BUMPDEMO_NATIVE, nativeArgs, { encoding: "utf8" });
      assert.equal(native.status, 2);
      assert.equal(state.message, native.stderr.split("\n")[0].replace(/^bumpdemo: /, ""), query);
    } else {
      assert.equal(state.message, "option '--context': this platform cannot make a compat context (it makes es)");
    }
    assert.equal(await page.locator("#status").textContent(), state.message);
    await page.close();
  }
});

test("a dropped normal map is lit at once; a refused file leaves the running map", async () => {
  const { page } = await openPage("time=300&view=2");
  await page.click("#canvas");
  const flat = [128, 128, 255];
  await dropFile(page, "flat map.bmp", plainBmp(8, 8, flat));
  // The panel's note (the top rows) names the map; below it view 2 shows the map's texels:
  // the whole wall is the one colour now, the marker white.
  const below = rgba => rgba.slice(NoteRows * 640 * 4);
  const dropped = below(await pixels(page, await canvasPng(page)));
  let wall = 0, other = 0;
  for (let i = 0; i < dropped.length; i += 4) {
    const [r, g, b] = dropped.slice(i, i + 3);
    if (r + g + b < 30 || (r > 250 && g > 250 && b > 250)) continue;
    if (Math.abs(r - flat[0]) <= 1 && Math.abs(g - flat[1]) <= 1 && Math.abs(b - flat[2]) <= 1) ++wall;
    else ++other;
  }
  assert.ok(wall > 20000, `${wall} wall pixels of the dropped map's colour`);
  assert.ok(other < wall / 1000, `${other} pixels of another colour`);

  await dropFile(page, "notes.bmp", Buffer.from("not a bitmap\n"));
  assert.equal((await demoState(page)).state, "running");
  assert.equal(await page.locator("#box").isVisible(), true, "the reader's message is shown");
  assert.equal(await page.locator("#box-caption").textContent(), "Loading Textures");
  assert.equal(await page.locator("#box-text").textContent(),
               "Unsupported image format (reads BMP, PNG, TGA and JPEG files)");
  await page.click("#box-ok");
  assert.equal(await page.locator("#box").isVisible(), false);
  await waitFrames(page, 3);
  assert.deepEqual(below(await pixels(page, await canvasPng(page))), dropped, "the running map stays");
  await page.close();
});

// The built-in wall as a glTF quad (glTF's (x, y, z) is the program's (-x, z, y)), its data
// inside the file, no material: drawn with a flat normal map.
function wallGltf() {
  const floats = new Float32Array([
    1, 0, -1, -1, 0, -1, -1, 0, 1, 1, 0, 1,  // positions
    0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0,      // normals
    0, 1, 1, 1, 1, 0, 0, 0]);                // texture coordinates (u, v)
  const indices = new Uint16Array([0, 1, 2, 0, 2, 3]);
  const bin = Buffer.concat([Buffer.from(floats.buffer), Buffer.from(indices.buffer)]);
  const view = (byteOffset, byteLength) => ({ buffer: 0, byteOffset, byteLength });
  return Buffer.from(JSON.stringify({
    asset: { version: "2.0" }, scene: 0, scenes: [{ nodes: [0] }], nodes: [{ mesh: 0 }],
    meshes: [{ primitives: [{ attributes: { POSITION: 0, NORMAL: 1, TEXCOORD_0: 2 }, indices: 3 }] }],
    buffers: [{ byteLength: bin.length, uri: "data:application/octet-stream;base64," + bin.toString("base64") }],
    bufferViews: [view(0, 48), view(48, 48), view(96, 32), view(128, 12)],
    accessors: [
      { bufferView: 0, componentType: 5126, count: 4, type: "VEC3", min: [-1, 0, -1], max: [1, 0, 1] },
      { bufferView: 1, componentType: 5126, count: 4, type: "VEC3" },
      { bufferView: 2, componentType: 5126, count: 4, type: "VEC2" },
      { bufferView: 3, componentType: 5123, count: 6, type: "SCALAR" }],
  }));
}

test("a dropped glTF model replaces the model; a refused one leaves it", async () => {
  const { page } = await openPage("time=300&view=6&model=sphere");
  await page.click("#canvas");
  const below = rgba => rgba.slice(NoteRows * 640 * 4);
  await dropFile(page, "wall.gltf", wallGltf());
  // View 6: the tangent as colour, T = (1, 0, 0) everywhere on the wall: (255, 128, 128).
  const dropped = below(await pixels(page, await canvasPng(page)));
  let wall = 0;
  for (let i = 0; i < dropped.length; i += 4)
    if (Math.abs(dropped[i] - 255) <= 1 && Math.abs(dropped[i + 1] - 128) <= 1 &&
        Math.abs(dropped[i + 2] - 128) <= 1) ++wall;
  assert.ok(wall > 20000, `${wall} pixels of the wall's tangent colour`);

  await dropFile(page, "broken.glb", Buffer.from("glTF\x02\x00\x00\x00cut short", "latin1"));
  assert.equal((await demoState(page)).state, "running");
  await waitFrames(page, 3);
  assert.deepEqual(below(await pixels(page, await canvasPng(page))), dropped, "the running model stays");
  await page.close();
});

test("Panel shows and hides the panel; Screenshot saves the picture the canvas shows", async () => {
  const { page } = await openPage("time=300&model=sphere");
  await waitFrames(page, 3);
  const shown = await canvasPng(page);
  await page.click("#panel");
  await waitFrames(page, 3);
  assert.notDeepEqual(await canvasPng(page), shown, "the panel is drawn");
  await page.click("#panel");
  await waitFrames(page, 3);
  assert.deepEqual(await canvasPng(page), shown);

  // Saved before the panel (which then says where) is drawn: the picture alone.
  const [download] = await Promise.all([page.waitForEvent("download"), page.click("#screenshot")]);
  assert.match(download.suggestedFilename(), /^bumpdemo-\d{4}\.png$/);
  const saved = fs.readFileSync(await download.path());
  assertAllPass(comparePictures(compare, { shot: [shown, saved] }, true));
  await page.close();
});

test("a clean run leaves the log box empty; the last frame ends it, as Escape does", async () => {
  const { page } = await openPage("frames=3&time=300");
  await waitForState(page, "done");
  const done = await demoState(page);
  assert.equal(done.frames, 3);
  assert.equal(done.log, "");
  assert.equal(done.output, "");
  assertAllPass(comparePictures(compare, { "wall-lit-t300": [reference("wall-lit-t300"), await canvasPng(page)] }));
  await page.close();

  // ?screenshot=FILE: the last frame is downloaded under that name.
  const shotPage = await browser.context.newPage();
  const downloaded = shotPage.waitForEvent("download", { timeout: 60000 });
  await openDemo(shotPage, site, "frames=3&time=300&screenshot=last.png");
  const download = await downloaded;
  assert.equal(download.suggestedFilename(), "last.png");
  assertAllPass(comparePictures(compare, { "wall-lit-t300": [reference("wall-lit-t300"), fs.readFileSync(await download.path())] }));
  await shotPage.close();

  const running = await openPage("");
  await running.page.click("#canvas");
  await running.page.keyboard.press("Escape");
  await waitForState(running.page, "done");
  assert.equal((await demoState(running.page)).log, "");
  await running.page.close();
});
