// Converts the sample scene and each 3DS model given to .gltf and .glb with
// qev3ds, and runs the Khronos glTF validator over every file written
// (buffers and images read from beside it; a .glb must need none). Exits 1
// when any has an error or a warning: a texture image that the 3DS file
// names but that was never beside it is warned of by qev3ds and left out.
// Usage: node validate.js QEV3DS VALIDATOR_FOLDER WORK_FOLDER [MODEL.3ds...]
//    or: node validate.js --files VALIDATOR_FOLDER FILE.glb... (validates only)
const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');

const [tool, validatorDir, work, ...models] = process.argv.slice(2);
const validator = require(path.resolve(validatorDir));
const written = [];
if (tool === '--files') {
  written.push(work, ...models);
} else {
  fs.rmSync(work, { recursive: true, force: true });
  fs.mkdirSync(path.join(work, 'in'), { recursive: true });
  fs.mkdirSync(path.join(work, 'out'), { recursive: true });
  const demo = path.join(work, 'in', 'demo.3ds');
  execFileSync(tool, ['demo', demo], { stdio: 'ignore' });
  // The sample scene's "crate.bmp", as a 2x2 24-bit BMP named in another case.
  fs.writeFileSync(path.join(work, 'in', 'CRATE.BMP'), Buffer.from(
    '424d460000000000000036000000280000000200000002000000010018000000000010000000000000000000000000000000' +
    '00000000ff00ff00000000ff00ffffffff0000', 'hex'));

  // A scene without a layer, from an OBJ without faces.
  const empty = path.join(work, 'in', 'empty.3ds');
  fs.writeFileSync(path.join(work, 'in', 'empty.obj'), 'v 0 0 0\n');
  execFileSync(tool, ['from-obj', path.join(work, 'in', 'empty.obj'), empty], { stdio: 'ignore' });

  for (const model of [demo, empty, ...models]) {
    const stem = path.basename(model).replace(/\.[^.]*$/, '');
    for (const ext of ['.gltf', '.glb']) {
      const out = path.join(work, 'out', stem + ext);
      execFileSync(tool, ['convert', model, out], { stdio: ['ignore', 'ignore', 'inherit'] });
      written.push(out);
    }
  }
}

async function check(file) {
  const dir = path.dirname(file);
  const glb = file.endsWith('.glb');
  let outside = 0;
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    externalResourceFunction: (uri) => new Promise((resolve, reject) => {
      if (glb) {
        ++outside;
        console.log(`  a GLB that is not self-contained names ${uri}`);
      }
      const target = path.join(dir, decodeURIComponent(uri));
      fs.readFile(target, (err, data) => {
        if (err) {
          reject(err.toString());
        } else {
          resolve(new Uint8Array(data));
        }
      });
    }),
  });
  const { numWarnings, numInfos, messages } = report.issues;
  let errors = outside;
  for (const m of messages) {
    if (m.severity === 0) ++errors;
    console.log(`  ${m.code} at ${m.pointer}: ${m.message}`);
  }
  console.log(`${file}: ${errors} errors, ${numWarnings} warnings, ${numInfos} infos`);
  return errors + numWarnings;
}

(async () => {
  let bad = 0;
  for (const f of written) bad += await check(f);
  console.log(`${written.length} files validated, ${bad} errors and warnings`);
  process.exit(bad === 0 ? 0 : 1);
})();
