// The hvcn playground. Every answer on the page comes from the hvcn tool,
// compiled to WebAssembly with the library (hvcn.js): the page runs the tool's
// commands for each panel, as a shell would, and shows the JSON objects the
// tool prints. This file knows which commands each panel runs and how to show their
// objects; what an address is, or how it is written, only the library says.
'use strict';

const Playground = (() => {
  const $ = (selector, root = document) => root.querySelector(selector);

  // ---- The settings, kept in the page's address (#t=...&f=...) ------------

  // Each control with its key in the address.
  const CONTROLS = [
    {id: 'text', key: 't'},
    {id: 'format', key: 'f'},
    {id: 'teletex', key: 'tt'},
    {id: 'sevenbit', key: '7bit'},
    {id: 'language', key: 'lang'},
    {id: 'source', key: 'src'},
    {id: 'gateway', key: 'gw'},
    {id: 'mapping', key: 'map'},
    {id: 'amhs-table', key: 'amhs'},
    {id: 'amhs-to', key: 'to'},
    {id: 'amhs-originator', key: 'orig'},
  ];

  function controlValue(element) {
    return element.type === 'checkbox' ? element.checked : element.value;
  }

  function readSettings() {
    const s = {};
    for (const {id} of CONTROLS) s[id] = controlValue(document.getElementById(id));
    return s;
  }

  function settingsToHash(s) {
    const params = new URLSearchParams();
    for (const {id, key} of CONTROLS) {
      const element = document.getElementById(id);
      const value = s[id];
      if (element.type === 'checkbox') {
        if (value) params.set(key, '1');
      } else if (value !== '' && !(element.tagName === 'SELECT' && value === element.options[0].value)) {
        params.set(key, value);
      }
    }
    return params.toString();
  }

  function hashToControls() {
    const params = new URLSearchParams(location.hash.slice(1));
    for (const {id, key} of CONTROLS) {
      const element = document.getElementById(id);
      const value = params.get(key);
      if (element.type === 'checkbox') element.checked = value === '1';
      else if (element.tagName === 'SELECT') element.value = value !== null ? value : element.options[0].value;
      else element.value = value !== null ? value : '';
    }
  }

  // ---- The library: one running program per language and 7-bit setting -----

  // The files the commands read, in the program's working folder.
  const MAPPING_FILE = 'mapping.txt';
  const AMHS_FILE = 'amhs.tsv';

  // The language and SevenBitOnly are read once, when the library starts (as
  // from a process's locale and TNUAL.INI): each pair is a program of its own.
  const programs = new Map();

  function program(language, sevenBit) {
    const key = `${language}/${sevenBit ? 7 : 8}`;
    if (!programs.has(key)) {
      programs.set(key, createHvcn({
        preRun: [(module) => {
          module.ENV.LANG = language === 'it' ? 'it_IT.UTF-8' : 'C.UTF-8';
          module.ENV.HVCN_PROFILE_DIR = '/profile';
          module.FS.mkdir('/profile');
          module.FS.writeFile('/profile/TNUAL.INI',
                              `[NameParsing]\nSevenBitOnly=${sevenBit ? 'Yes' : 'No'}\n`);
          module.FS.mkdir('/work');
          module.FS.chdir('/work');
        }],
        print: () => {},
        printErr: () => {},
      }));
    }
    return programs.get(key);
  }

  const decoder = new TextDecoder();

  // Runs `hvcn ARGS...`: its exit status, standard output and error, and the
  // JSON objects it printed (one a line).
  function run(module, args) {
    const argv = ['hvcn', ...args];
    const pointers = argv.map((arg) => {
      const size = module.lengthBytesUTF8(arg) + 1;
      const pointer = module._malloc(size);
      module.stringToUTF8(arg, pointer, size);
      return pointer;
    });
    const vector = module._malloc(4 * (argv.length + 1));
    pointers.forEach((pointer, i) => { module.HEAPU32[(vector >> 2) + i] = pointer; });
    module.HEAPU32[(vector >> 2) + argv.length] = 0;
    const status = module._hvcnWebRun(argv.length, vector);
    pointers.forEach((pointer) => module._free(pointer));
    module._free(vector);
    const out = decoder.decode(module.FS.readFile('/tmp/hvcn.out'));
    const err = decoder.decode(module.FS.readFile('/tmp/hvcn.err'));
    const objects = [];
    for (const line of out.split('\n')) {
      if (!line.startsWith('{')) continue;
      try { objects.push(JSON.parse(line)); } catch (e) { /* not an object of --json */ }
    }
    return {args, status, out, err, objects};
  }

  // ---- The commands behind the panels --------------------------------------

  function formatArgs(s) { return s.format ? ['--format', s.format] : []; }

  function mappingArgs(s) {
    const args = [];
    if (s.gateway) args.push('--gateway', s.gateway);
    if (s.mapping.trim()) args.push('--table', MAPPING_FILE);
    return args;
  }

  const COMMANDS = {
    typed: (s) => ['parse', '--json', '--all', ...formatArgs(s), ...(s.teletex ? ['--prefer-teletex'] : []),
                   '--', s.text],
    orname: (s) => ['orname', '--json', ...formatArgs(s), ...mappingArgs(s), '--', s.text],
    internet: (s) => ['internet', '--json', '--', s.text],
    amhs: (s) => ['amhs', '--json', '--table', AMHS_FILE, ...(s['amhs-to'] ? ['--to', s['amhs-to']] : []),
                  ...(s['amhs-originator'] ? ['--originator'] : []), '--', s.text],
    // What kind of text it is: the reader's kind, after two the page tells
    // itself by the tool's own conversions (DER in hex that orname reads; an
    // AF-Address that the AMHS tables in the panel convert).
    read: (s) => ['read', '--json', ...formatArgs(s), '--', s.text],
    der: (s) => ['orname', '--json', '--from', 'der', '--', s.text],
    aftn: (s) => ['amhs', '--json', '--table', AMHS_FILE, '--to', 'amhs', '--', s.text],
  };

  // The forms the held address is written in: the orname arguments that
  // write each (the internal forms are written apart, writeInternal).
  const FORMS = [
    {id: 'stdor-short', label: '"/" form, short labels', args: ['--to', 'stdor', '--labels', 'short']},
    {id: 'stdor-long', label: '"/" form, long labels', args: ['--to', 'stdor', '--labels', 'long']},
    {id: 'annexf-short', label: '";" form, short labels', args: ['--to', 'annexf', '--labels', 'short']},
    {id: 'annexf-long', label: '";" form, long labels', args: ['--to', 'annexf', '--labels', 'long']},
    {id: 'typed', label: 'typed, under the format string', args: ['--to', 'typed']},
    {id: 'rfc822', label: 'RFC 822', args: ['--to', 'rfc822'], mapping: true},
    {id: 'der', label: 'DER (hex)', args: ['--to', 'der']},
  ];
  const INTERNAL = [1, 2, 3].map((type) => ({id: `internal-${type}`, label: `internal type ${type}`, type}));

  // ---- Showing text ----------------------------------------------------------

  function element(tag, attributes = {}, ...children) {
    const node = document.createElement(tag);
    for (const [name, value] of Object.entries(attributes)) {
      if (name === 'class') node.className = value;
      else node.setAttribute(name, value);
    }
    for (const child of children) {
      if (child !== null && child !== undefined) node.append(child);
    }
    return node;
  }

  // Control characters as their pictures (U+2400 + code: GS is ␝), so that
  // internal forms and odd values can be read.
  function visible(text) {
    return text.replace(/[\u0000-\u001f\u007f]/g,
                        (c) => String.fromCharCode(c === '\u007f' ? 0x2421 : 0x2400 + c.charCodeAt(0)));
  }

  function code(text, className = 'value') { return element('code', {class: className}, visible(text)); }

  // A command line as a POSIX shell reads it.
  function shellWord(word) {
    return /^[A-Za-z0-9_@%+=:,./-]+$/.test(word) ? word : `'${word.replace(/'/g, `'\\''`)}'`;
  }

  function commandLine(s, args) {
    const environment = [];
    if (s.language === 'it') environment.push('LANG=it_IT.UTF-8');
    if (s.sevenbit) environment.push('HVCN_PROFILE_DIR=dir-with-SevenBitOnly=Yes');
    return ['$', ...environment, 'hvcn', ...args.map((arg) => visible(shellWord(arg)))].join(' ');
  }

  function showTool(panel, s, results) {
    const lines = [];
    for (const result of results) {
      lines.push(commandLine(s, result.args));
      if (result.out) lines.push(result.out.replace(/\n$/, ''));
      if (result.err) lines.push(result.err.replace(/\n$/, ''));
      if (result.status) lines.push(`(exit status ${result.status})`);
    }
    $('details.tool pre', panel).textContent = lines.join('\n');
  }

  // A failure: the status and its text, the library's detail and
  // explanation, and the input with the column at fault marked.
  function refusal(object, input) {
    const box = element('div', {class: 'refusal'},
                        element('p', {class: 'error'}, element('span', {class: 'status'}, String(object.status)),
                                object.error ? ` ${object.error}` : ''));
    if (object.detail) box.append(element('p', {class: 'detail'}, object.detail));
    if (object.explanation) box.append(element('p', {class: 'explanation'}, object.explanation));
    if (object.column) box.append(marked(input, object.column));
    return box;
  }

  // The input with the character at `column` (from 1, in characters) marked;
  // one past the end marks the end.
  function marked(input, column) {
    const characters = Array.from(input);
    const before = characters.slice(0, column - 1).join('');
    const at = characters[column - 1];
    const after = characters.slice(column).join('');
    const mark = at === undefined ? element('mark', {class: 'end', title: 'the end of the input'}, ' ')
                                  : element('mark', {}, visible(at));
    return element('p', {class: 'marked', 'data-column': String(column)},
                   `Column ${column}: `,
                   element('code', {}, visible(before), mark, visible(after)));
  }

  // A usage error of the tool: an option or command this build has not.
  function unavailable(result) {
    return element('p', {class: 'unavailable'}, 'Not in this build: ',
                   element('span', {class: 'message'}, result.err.trim() || `exit status ${result.status}`));
  }

  function attributesTable(attributes) {
    if (!attributes || attributes.length === 0) return element('p', {class: 'empty'}, 'No attribute is held.');
    const body = element('tbody');
    for (const a of attributes) {
      body.append(element('tr', {},
                          element('td', {class: 'id'}, String(a.id)),
                          element('td', {class: 'name'}, a.name),
                          element('td', {class: 'tag'}, a.tag),
                          element('td', {class: 'value'}, code(a.value)),
                          element('td', {class: 'teletex'}, a.teletex ? 'yes' : 'no')));
    }
    return element('table', {class: 'attributes'},
                   element('thead', {}, element('tr', {},
                                               element('th', {scope: 'col'}, 'ID'),
                                               element('th', {scope: 'col'}, 'Name'),
                                               element('th', {scope: 'col'}, 'Tag'),
                                               element('th', {scope: 'col'}, 'Value'),
                                               element('th', {scope: 'col'}, 'Teletex twin'))),
                   body);
  }

  // ---- The panels -----------------------------------------------------------

  function showTyped(s, result) {
    const body = $('#typed .body');
    body.replaceChildren();
    const readings = result.objects;
    readings.forEach((object, i) => {
      if (object.status !== 0) {
        body.append(refusal(object, s.text));
        return;
      }
      const next = i + 1 < readings.length && readings[i + 1].status === 0 ? `; reading ${object.reading + 1} follows` : '';
      body.append(element('article', {class: 'reading', 'data-reading': String(object.reading)},
                          element('h3', {}, `Reading ${object.reading}`,
                                  object.words ? `: ${object.words}` : ''),
                          element('p', {class: 'meta'},
                                  element('span', {class: 'shape'}, `shape 0x${object.shape.toString(16)}`), ', ',
                                  element('span', {class: 'context'}, `context 0x${object.context.toString(16)}`),
                                  next),
                          attributesTable(object.attributes)));
    });
    if (readings.length === 0) body.append(unavailable(result));
  }

  function showOrName(s, result) {
    const body = $('#orname .body');
    body.replaceChildren();
    const object = result.objects[0];
    if (!object) body.append(unavailable(result));
    else if (object.status !== 0) body.append(refusal(object, s.text));
    else body.append(element('p', {class: 'output'}, 'Read as ', code(object.output, 'output')),
                     attributesTable(object.attributes));
  }

  function showInternet(s, result) {
    const body = $('#internet .body');
    body.replaceChildren();
    const object = result.objects[0];
    if (!object) body.append(unavailable(result));
    else if (object.internet) body.append(element('p', {class: 'verdict', 'data-internet': 'true'},
                                                  'An internet mailbox: ', code(object.normalised, 'normalised')));
    else body.append(element('p', {class: 'verdict', 'data-internet': 'false'}, 'Not an internet mailbox.'));
  }

  // What the page tells of the input: its kind (the reader's, or der-hex or
  // aftn) and how the forms read it (orname's --from, and the text).
  function readInput(module, s) {
    const der = run(module, COMMANDS.der(s));
    const aftn = s['amhs-table'].trim() ? run(module, COMMANDS.aftn(s)) : null;
    const read = run(module, COMMANDS.read(s));
    const converted = (result) => result && result.objects[0] && result.objects[0].status === 0;
    const kind = converted(der) ? 'der-hex' : converted(aftn) ? 'aftn' : null;
    let from = ['--from', 'auto'];
    let text = s.text;
    if (s.source === 'typed') from = ['--from', 'typed'];
    else if (kind === 'der-hex') from = ['--from', 'der'];
    else if (kind === 'aftn') [from, text] = [['--from', 'stdor'], aftn.objects[0].output];
    else if (s.source !== 'orname' && !converted(run(module, COMMANDS.orname(s)))) from = ['--from', 'typed'];
    return {kind, read, from, text, runs: [der, ...(aftn ? [aftn] : []), read]};
  }

  // The internal forms: a typed name's from parse --internal, an O/R
  // address's type 1 from the page's command and the others by translate.
  function writeInternal(module, s, input, first) {
    if (input.from[1] === 'typed') {
      return INTERNAL.map(({type}) => run(module, [...COMMANDS.typed(s).slice(0, -2), '--internal', String(type),
                                                     '--', input.text]));
    }
    const one = run(module, ['internal1', '--json', '--', first]);
    const type1 = one.objects[0] && one.objects[0].status === 0 ? one.objects[0].internal1 : null;
    if (type1 === null) return [one];
    return [one, ...[2, 3].map((type) => run(module, ['translate', '--json', '--skip-empty', '--from', '1', '--to',
                                                      String(type), '--', type1]))];
  }

  // Every form of the held address, each written by the tool.
  function showForms(module, s, input) {
    const rows = $('#form-rows');
    rows.replaceChildren();
    // A typed name keeps its values where the typed panel's parse keeps them.
    const teletex = input.from[1] === 'typed' && s.teletex ? ['--prefer-teletex'] : [];
    const results = FORMS.filter((form) => !form.mapping || s.gateway || s.mapping.trim()).map((form) =>
      ({form, result: run(module, ['orname', '--json', ...input.from, ...teletex, ...formatArgs(s), ...mappingArgs(s),
                                   ...form.args, '--', input.text])}));
    const first = results[0].result;
    const object = first.objects[0];
    const how = input.kind || (input.from[1] === 'typed' ? 'typed' : 'O/R address');
    $('#forms .source-note').textContent = !object ? ''
        : object.status === 0 ? `Written from the input read as: ${how}.` : `The input does not read (as: ${how}).`;
    if (!object) {
      rows.append(element('tr', {}, element('td', {colspan: '2'}, unavailable(first))));
      return [first];
    }
    if (object.status !== 0) {
      rows.append(element('tr', {'data-form': 'refusal'}, element('td', {colspan: '2'}, refusal(object, input.text))));
      return [first];
    }
    const internal = writeInternal(module, s, input, (results[1].result.objects[0] || {}).output || '');
    const written = new Map(results.map(({form, result}) => [form.id, result.objects[0]]));
    INTERNAL.forEach(({id}, i) => {
      const o = internal[i] && internal[i].objects[0];
      // parse --internal writes `internal`, the page's command `internal1`, translate `output`.
      const text = o && o.status === 0 ? [o.internal, o.internal1, o.output].find((t) => typeof t === 'string') : null;
      written.set(id, text !== null && text !== undefined ? {status: 0, output: text} : null);
    });
    for (const form of [...FORMS, ...INTERNAL]) {
      const o = written.get(form.id);
      const cell = o && o.status === 0 ? element('td', {class: 'text'}, code(o.output, 'output'))
          : form.mapping && !s.gateway && !s.mapping.trim()
              ? element('td', {class: 'text pending'}, 'Give a gateway domain or a mapping table above.')
              : element('td', {class: 'text none'}, 'none');
      rows.append(element('tr', {'data-form': form.id}, element('th', {scope: 'row'}, form.label), cell));
    }
    return [...results.map(({result}) => result), ...internal];
  }

  function showAmhs(s, result) {
    const body = $('#amhs .body');
    body.replaceChildren();
    if (!result) {
      body.append(element('p', {class: 'pending'}, 'Paste, load or pick a table to convert the input.'));
      return;
    }
    const object = result.objects[0];
    if (!object) {
      body.append(unavailable(result));
      return;
    }
    if (object.status !== 0) {
      body.append(refusal(object, s.text));
      return;
    }
    const facts = element('dl', {class: 'facts'},
                          element('dt', {}, 'Converted to'), element('dd', {class: 'output'}, code(object.output, 'output')),
                          element('dt', {}, 'Scheme'), element('dd', {class: 'scheme'}, object.scheme || ''));
    if ('consistent' in object) {
      facts.append(element('dt', {}, 'Way back'),
                   element('dd', {class: 'consistent', 'data-consistent': String(object.consistent)},
                           object.consistent ? 'consistent' : 'inconsistent: the tables give another address'),
                   element('dt', {}, 'The tables give'),
                   element('dd', {class: 'reverse'}, object.reverse === null ? 'no address' : code(object.reverse, 'output')));
    }
    body.append(facts);
    if (object.attributes) body.append(attributesTable(object.attributes));
  }

  function kindRow(label, id, verdict, good) {
    return element('tr', {'data-kind': id, class: good ? 'yes' : 'no'},
                   element('th', {scope: 'row'}, label), element('td', {}, verdict));
  }

  function failureText(object) { return `refused: ${object.status} ${object.error || ''}`.trim(); }

  function showKind(s, input, typed, orname, internet, amhs) {
    const rows = $('#kind-rows');
    rows.replaceChildren();
    if (!s.text) return;
    const k = input.read.objects[0];
    const kind = input.kind || (k && k.kind);
    rows.append(kindRow('kind', 'kind', kind || (k ? failureText(k) : ''), !!kind));
    const readings = typed.objects.filter((o) => o.status === 0).length;
    const typedFailure = typed.objects.find((o) => o.status !== 0);
    rows.append(kindRow('typed name', 'typed',
                        readings ? `${readings} reading${readings > 1 ? 's' : ''}` : typedFailure ? failureText(typedFailure) : '',
                        readings > 0));
    const o = orname.objects[0];
    rows.append(kindRow('O/R address', 'orname', o ? (o.status === 0 ? 'read' : failureText(o)) : '', o && o.status === 0));
    const i = internet.objects[0];
    rows.append(kindRow('internet mailbox', 'internet', i ? (i.internet ? 'yes' : 'no') : '', i && i.internet));
    if (amhs) {
      const a = amhs.objects[0];
      rows.append(kindRow('AMHS conversion', 'amhs',
                          a ? (a.status === 0 ? `converted (${a.scheme})` : failureText(a)) : 'not in this build',
                          a && a.status === 0));
    }
  }

  // ---- Updating -----------------------------------------------------------------

  let generation = 0;
  let timer = null;
  let running = null;
  let again = false;
  const waiters = [];

  function announce(text) { $('#status').textContent = text; }

  async function update() {
    const s = readSettings();
    const hash = settingsToHash(s);
    if (location.hash.slice(1) !== hash) history.replaceState(null, '', hash ? `#${hash}` : location.pathname);
    const language = s.language === 'it' ? 'Italian' : 'English';
    const key = `${s.language}/${s.sevenbit ? 7 : 8}`;
    if (!programs.has(key)) announce(`Starting the library (${language} texts${s.sevenbit ? ', 7-bit only' : ''})…`);
    const module = await program(s.language, s.sevenbit);
    module.FS.writeFile(MAPPING_FILE, s.mapping);
    module.FS.writeFile(AMHS_FILE, s['amhs-table']);
    $('#version').textContent = run(module, ['version']).out.trim().replace(/^hvcn /, '');

    const panels = ['typed', 'orname', 'internet', 'forms', 'amhs'].map((id) => document.getElementById(id));
    if (!s.text) {
      for (const panel of panels) panel.hidden = true;
      for (const part of document.querySelectorAll('#results .body, #kind-rows, #form-rows')) part.replaceChildren();
      announce('Ready: type or paste an input.');
      document.body.dataset.generation = String(++generation);
      return;
    }
    for (const panel of panels) panel.hidden = false;
    const typed = run(module, COMMANDS.typed(s));
    const orname = run(module, COMMANDS.orname(s));
    const internet = run(module, COMMANDS.internet(s));
    const amhs = s['amhs-table'].trim() ? run(module, COMMANDS.amhs(s)) : null;
    const input = readInput(module, s);
    showKind(s, input, typed, orname, internet, amhs);
    showTyped(s, typed);
    showTool($('#typed'), s, [typed]);
    showOrName(s, orname);
    showTool($('#orname'), s, [orname]);
    showInternet(s, internet);
    showTool($('#internet'), s, [internet]);
    showTool($('#forms'), s, [...input.runs, ...showForms(module, s, input)]);
    showAmhs(s, amhs);
    showTool($('#amhs'), s, amhs ? [amhs] : []);
    announce(`Ready (${language} texts${s.sevenbit ? ', 7-bit only' : ''}).`);
    document.body.dataset.generation = String(++generation);
  }

  function settleWaiters() {
    if (timer === null && running === null) waiters.splice(0).forEach((resolve) => resolve(generation));
  }

  function start() {
    timer = null;
    if (running) {
      again = true;
      return;
    }
    running = update().catch((error) => {
      announce(`The library failed: ${error}`);
    }).finally(() => {
      running = null;
      if (again) {
        again = false;
        start();
      } else {
        settleWaiters();
      }
    });
  }

  function schedule(delay = 60) {
    if (timer !== null) clearTimeout(timer);
    timer = setTimeout(start, delay);
  }

  // Resolves once the page shows the current input and settings.
  function settled() {
    return new Promise((resolve) => {
      waiters.push(resolve);
      settleWaiters();
    });
  }

  function init() {
    hashToControls();
    for (const {id} of CONTROLS) {
      const control = document.getElementById(id);
      control.addEventListener(control.type === 'checkbox' || control.tagName === 'SELECT' ? 'change' : 'input',
                               () => schedule());
    }
    window.addEventListener('hashchange', () => {
      hashToControls();
      schedule(0);
    });
    for (const button of document.querySelectorAll('[data-example]')) {
      button.addEventListener('click', () => {
        $('#text').value = button.dataset.example;
        // The AFTN and AMHS examples need tables.
        if (/^[A-Z]{8}$|ICAO/.test(button.dataset.example) && !$('#amhs-table').value.trim())
          $('#amhs-table').value = window.hvcnSamples.amhs;
        schedule(0);
        $('#text').focus();
      });
    }
    $('#amhs-sample').addEventListener('click', () => {
      $('#amhs-table').value = window.hvcnSamples.amhs;
      schedule(0);
    });
    $('#amhs-file').addEventListener('change', (event) => {
      const file = event.target.files[0];
      if (!file) return;
      file.text().then((text) => {
        $('#amhs-table').value = text;
        schedule(0);
      });
    });
    schedule(0);
  }

  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', init);
  else init();

  return {settled, run: async (args) => {
    const s = readSettings();
    return run(await program(s.language, s.sevenbit), args);
  }};
})();
window.hvcnPlayground = Playground;
