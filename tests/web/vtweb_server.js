'use strict';
// The real vtweb (VTWEB_BINARY) started on a file (in the folder `cwd`,
// with `env` added to its environment): the address it prints and its
// process id.
const { spawn } = require('node:child_process');

async function startVtweb(args, cwd, env = {}) {
  const binary = process.env.VTWEB_BINARY;
  if (!binary) throw new Error('VTWEB_BINARY names no vtweb to run');
  const server = spawn(require('node:path').resolve(binary), [...args, '--no-open'], { cwd, env: { ...process.env, ...env }, stdio: ['ignore', 'pipe', 'pipe'] });
  const address = await new Promise((resolve, reject) => {
    let out = '', err = '';
    server.stdout.on('data', (chunk) => {
      out += chunk;
      const line = /^http:\/\/127\.0\.0\.1:\d+\/\?key=[0-9A-F]{32}$/m.exec(out);
      if (line) resolve(line[0]);
    });
    server.stderr.on('data', (chunk) => { err += chunk; });
    server.on('exit', (code) => reject(new Error('vtweb ended (' + code + '): ' + out + err)));
  });
  const stop = () => new Promise((resolve) => {
    if (server.exitCode !== null || server.signalCode !== null) return resolve();
    server.on('exit', resolve);
    server.kill('SIGTERM');
  });
  return { address, stop, pid: server.pid };
}

module.exports = { startVtweb };
