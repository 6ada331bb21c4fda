// Drives QEL's page in headless Firefox ESR for the scenario table, as
// driver.py does in Chromium, with the same commands and answers (see
// there). Firefox has no driver program in Debian; puppeteer-core speaks
// WebDriver BiDi to it directly.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import readline from 'node:readline';
import puppeteer from 'puppeteer-core';

const site = process.argv[2];
const probe = fs.readFileSync(new URL('probe.js', import.meta.url), 'utf8');
const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
               '.css': 'text/css', '.ico': 'image/x-icon', '.png': 'image/png'};

// X keysym names, as the table writes keys, and the browser's.
const keys = {tab: 'Tab', backspace: 'Backspace', return: 'Enter', escape: 'Escape', end: 'End',
              home: 'Home', left: 'ArrowLeft', right: 'ArrowRight', up: 'ArrowUp', down: 'ArrowDown',
              delete: 'Delete', insert: 'Insert', f10: 'F10', ctrl: 'Control', shift: 'Shift', alt: 'Alt',
              space: ' '};
const keyOf = name => keys[name.toLowerCase()] || name;
const unhex = hex => Buffer.from(hex, 'hex').toString('utf8');
const sleep = ms => new Promise(done => setTimeout(done, ms));

const server = http.createServer((request, response) => {
  let file = path.join(site, decodeURIComponent(new URL(request.url, 'http://page').pathname));
  if (file.endsWith('/')) file += 'index.html';
  fs.readFile(file, (error, data) => {
    response.writeHead(error ? 404 : 200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream'});
    response.end(data);
  });
}).listen(0, '127.0.0.1');
await new Promise(done => server.on('listening', done));
const url = `http://127.0.0.1:${server.address().port}/`;

const browser = await puppeteer.launch({
  browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true,
  // The clipboard may be written without a click first, as a test does.
  extraPrefsFirefox: {'dom.events.testing.asyncClipboard': true},
});
const page = await browser.newPage();
await page.evaluateOnNewDocument(probe);

async function until(condition, timeout) {
  for (const deadline = Date.now() + Number(timeout); !(await page.evaluate(condition));) {
    if (Date.now() > deadline) return '0';
    await sleep(10);
  }
  return '1';
}

async function part(caption, selector) {
  const dialog = await page.evaluateHandle(caption => qelTest.dialog(caption), unhex(caption));
  return dialog.$(selector);
}

const commands = {
  async start() {
    await page.goto(url);
    await page.waitForFunction(() => qelTest.ready(), {timeout: 10000, polling: 10});
  },
  async type(delay, text) { await page.keyboard.type(unhex(text), {delay: Number(delay)}); },
  async key(combination) {
    const [key, ...modifiers] = combination.split('+').reverse();
    for (const modifier of modifiers) await page.keyboard.down(keyOf(modifier));
    await page.keyboard.press(keyOf(key));
    for (const modifier of modifiers.reverse()) await page.keyboard.up(keyOf(modifier));
  },
  async hold(key) { await page.keyboard.down(keyOf(key)); },
  async release(key) { await page.keyboard.up(keyOf(key)); },
  async clipboard(text) { await page.evaluate(text => navigator.clipboard.writeText(text), unhex(text)); },
  async click(caption, fx, fy) {
    const box = await (await part(caption, '.client')).boundingBox();
    await page.mouse.click(box.x + fx * box.width, box.y + fy * box.height);
  },
  async close(caption) { await (await part(caption, '.close')).click(); },
  async menu() { throw new Error('no way to the browser\'s context menu here'); },
  shown: (caption, timeout) => until(`!!qelTest.dialog(${JSON.stringify(unhex(caption))})`, timeout),
  gone: (caption, timeout) => until(`!qelTest.dialog(${JSON.stringify(unhex(caption))})`, timeout),
  ended: timeout => until('qelTest.ended()', timeout),
  async text(caption, id) {
    const text = await page.evaluate((caption, id) => qelTest.text(caption, id), unhex(caption), id);
    if (text == null) throw new Error('no control ' + id);
    return Buffer.from(text, 'utf8').toString('hex');
  },
  beeps: async () => String(await page.evaluate(() => qelTest.beeps)),
};

for await (const line of readline.createInterface({input: process.stdin})) {
  const [command, ...args] = line.split(' ');
  let reply;
  try {
    reply = '=' + ((await commands[command](...args)) || '');
  } catch (error) {
    reply = '!' + String(error.message).split(/\s+/).join(' ').slice(0, 300);
  }
  process.stdout.write(reply + '\n');
}
await browser.close();
server.close();
