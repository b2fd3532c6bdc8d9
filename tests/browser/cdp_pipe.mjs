// A small driver for headless chromium over the DevTools protocol on --remote-debugging-pipe:
// the browser reads commands from its fd 3 and writes replies and events to its fd 4, each
// message one JSON text ended by a NUL byte. One page, attached in flat mode, is all the tests need.
import { spawn } from 'node:child_process';

export async function openBrowser(browser, flags) {
  const child = spawn(browser, [...flags, '--remote-debugging-pipe'],
                      { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
  const toBrowser = child.stdio[3], fromBrowser = child.stdio[4];
  const waiting = new Map(), listeners = [];
  let nextId = 1, pending = Buffer.alloc(0);
  fromBrowser.on('data', (chunk) => {
    pending = Buffer.concat([pending, chunk]);
    for (let end = pending.indexOf(0); end >= 0; end = pending.indexOf(0)) {
      const message = JSON.parse(pending.subarray(0, end).toString('utf8'));
      pending = pending.subarray(end + 1);
      if (message.id && waiting.has(message.id)) {
        const { resolve, reject, method } = waiting.get(message.id);
        waiting.delete(message.id);
        if (message.error) reject(new Error(`${method}: ${message.error.message}`));
        else resolve(message.result);
      } else {
        for (const listener of listeners) listener(message);
      }
    }
  });
  const exited = new Promise((resolve) => child.on('exit', resolve));
  const send = (method, params = {}, sessionId) => new Promise((resolve, reject) => {
    const id = nextId++;
    waiting.set(id, { resolve, reject, method });
    toBrowser.write(JSON.stringify({ id, method, params, ...(sessionId ? { sessionId } : {}) }) + '\0');
  });
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  const page = {
    send: (method, params) => send(method, params, sessionId),
    // Calls `handler(params)` for every event `method` of the page.
    on: (method, handler) => listeners.push((m) => { if (m.sessionId === sessionId && m.method === method) handler(m.params); }),
    // The value of an expression in the page, promises awaited.
    async evaluate(expression) {
      const reply = await page.send('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true });
      if (reply.exceptionDetails) throw new Error(`in the page: ${reply.exceptionDetails.exception?.description ?? reply.exceptionDetails.text}`);
      return reply.result.value;
    },
    // One key pressed and released, as the keyboard sends it.
    async press(key, code, keyCode) {
      for (const type of ['keyDown', 'keyUp'])
        await page.send('Input.dispatchKeyEvent', { type, key, code, windowsVirtualKeyCode: keyCode, text: type === 'keyDown' && key.length === 1 ? key : undefined });
    },
    async close() {
      await send('Browser.close').catch(() => {});
      await exited;
    },
    browserSend: send,
  };
  return page;
}
