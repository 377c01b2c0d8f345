// Runs the Khronos glTF validator on one file: `node validate_gltf.js MODULES FILE` prints the report's
// counts as "errors N warnings N", then each error's code and message, one a line.
const path = require('path');
const fs = require('fs');
const validator = require(path.resolve(process.argv[2], 'gltf-validator'));

const file = process.argv[3];
const bytes = new Uint8Array(fs.readFileSync(file));
validator
  .validateBytes(bytes, {
    uri: path.basename(file),
    externalResourceFunction: (uri) =>
      new Promise((resolve, reject) => {
        fs.readFile(path.join(path.dirname(file), decodeURIComponent(uri)), (err, data) =>
          err ? reject(err.toString()) : resolve(new Uint8Array(data)));
      }),
  })
  .then((report) => {
    const issues = report.issues;
    console.log(`errors ${issues.numErrors} warnings ${issues.numWarnings}`);
    for (const m of issues.messages) {
      if (m.severity === 0) console.log(`${m.code} ${m.pointer || ''} ${m.message}`);
    }
  })
  .catch((error) => {
    console.log(`errors 1 warnings 0\nVALIDATOR_FAILED ${error}`);
  });
