// Copies the grammars kept in editors/ (shared with other editors and the
// grammar tests) into the extension before it is packaged.
const fs = require('fs');
const path = require('path');

const here = path.join(__dirname, '..');
const target = path.join(here, 'syntaxes');
fs.mkdirSync(target, { recursive: true });
for (const name of ['kj.tmLanguage.json', 'gauss.tmLanguage.json']) {
  fs.copyFileSync(path.join(here, '..', name), path.join(target, name));
}
