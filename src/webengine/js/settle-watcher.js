// Installed in every page and frame before their own scripts run: it watches what the page's scripts still
// do (requests, wherever the page makes them; added scripts and style sheets; timers, idle callbacks and
// animation frames; changes to the document), so that the page can be read once they are done. Work that
// repeats (a poll, a clock, a ticker, a carousel, an animation) is known as such once it has repeated, and
// keeps nobody waiting. The top window gets, unchangeable by the page:
//   __quarnelSettled(remainingMs)  true when nothing is under way, nothing that is not ticking is due within
//                                  remainingMs, and the document has been still for a moment;
//   __quarnelWaitingFor()          what the page still waits for, in words;
//   __quarnelWantsFrames()         true while the page waits for an animation frame that is not part of a
//                                  repeating animation, or for an idle callback: it is drawn only then;
//   __quarnelQuiet()               ends the page's timers and frames, for a page kept for the next load;
//   __quarnelScroll(allowed)       scrolls the page on, up to `allowed` views, when that may bring more;
//   __quarnelText()                the text the page shows, its open shadow roots and frames of its own
//                                  site in their places.
(function () {
  'use strict';
  var W = window;
  // A frame's requests count for the page it is in, when that page's watcher can reach it.
  if (W !== W.top) {
    try { if (W.top.__quarnelInstrument) W.top.__quarnelInstrument(W); } catch (e) { /* another origin */ }
    return;
  }
  if (Object.getOwnPropertyDescriptor(W, '__quarnelSettled')) return;
  var now = function () { return performance.now(); };
  var QuietMs = 50, PastDueMs = 1000, AnimationFrames = 3, Repeats = 2;
  var busy = 0, loaded = false, loadedAt = 0, lastChange = 0, changes = 0, timers = new Map(), idle = new Map();
  // Whether the page made an open shadow root, and whether it watches its scrolling.
  var shadows = false, watchesScrolling = false, watchesView = false;
  var frames = new Map(), stillFrames = 0, framesSeenAt = 0, lastFrameTime = -1;
  // Callbacks by their code: how often each has asked for itself again while it ran.
  var repeats = new Map(), running = null, ticking = false;
  // A function is known by its code, so that a closure made anew each time is still the same callback; one
  // whose code cannot be seen (a bound function) only by itself.
  var keyOf = function (callback) {
    if (typeof callback !== 'function') return String(callback);
    try {
      var code = Function.prototype.toString.call(callback);
      return /\[native code\]\s*\}$/.test(code) ? callback : code;
    } catch (e) { return callback; }
  };
  var repeating = function (key) { return (repeats.get(key) || 0) >= Repeats; };
  var touch = function () { if (loaded) lastChange = now(); };
  var track = function () {
    if (ticking) return function () {};
    busy++; touch();
    var done = false;
    return function () { if (!done) { done = true; busy--; touch(); } };
  };
  var observer;
  // Runs a timer's, idle callback's or frame's callback; one that asked for itself again counts as a repeat,
  // and what a repeating one changes or requests is its ticking, not late content.
  var invoke = function (key, tick, callback, self, args) {
    var outer = running, wasTicking = ticking;
    running = key; ticking = wasTicking || tick;
    try {
      return typeof callback === 'function' ? callback.apply(self, args) : (0, eval)(String(callback));
    } finally {
      running = outer; ticking = wasTicking;
      if (tick && observer) scan(observer.takeRecords(), false);
      else touch();
    }
  };
  var noteRepeat = function (key) {
    if (running !== null && key === running) repeats.set(key, (repeats.get(key) || 0) + 1);
  };

  var setT = W.setTimeout, clearT = W.clearTimeout, setI = W.setInterval, clearI = W.clearInterval;
  W.setTimeout = function (callback, delay) {
    var rest = Array.prototype.slice.call(arguments, 2), key = keyOf(callback), id;
    noteRepeat(key);
    var tick = repeating(key);
    id = setT.call(W, function () { timers.delete(id); return invoke(key, tick, callback, this, rest); }, delay);
    timers.set(id, {due: now() + (Number(delay) || 0), tick: tick});
    return id;
  };
  W.clearTimeout = function (id) { timers.delete(id); return clearT.call(W, id); };
  // An interval repeats by nature: it is ticking from the start (a poll, a clock, a carousel).
  W.setInterval = function (callback, delay) {
    var rest = Array.prototype.slice.call(arguments, 2), key = keyOf(callback), id;
    id = setI.call(W, function () { return invoke(key, true, callback, this, rest); }, delay);
    timers.set(id, {tick: true});
    return id;
  };
  W.clearInterval = function (id) { timers.delete(id); return clearI.call(W, id); };

  if (W.requestIdleCallback) {
    var ric0 = W.requestIdleCallback, cic0 = W.cancelIdleCallback;
    W.requestIdleCallback = function (callback, options) {
      var key = keyOf(callback), id;
      noteRepeat(key);
      var tick = repeating(key);
      id = ric0.call(W, function () { idle.delete(id); return invoke(key, tick, callback, this, arguments); }, options);
      idle.set(id, tick);
      return id;
    };
    W.cancelIdleCallback = function (id) { idle.delete(id); return cic0.call(W, id); };
  }

  // A frame asked for is awaited, unless it belongs to an animation: a callback that keeps asking for
  // itself, or frames that change nothing of the document.
  if (W.requestAnimationFrame) {
    var raf0 = W.requestAnimationFrame, caf0 = W.cancelAnimationFrame;
    W.requestAnimationFrame = function (callback) {
      var key = keyOf(callback), id;
      noteRepeat(key);
      var tick = repeating(key);
      id = raf0.call(W, function (time) {
        frames.delete(id);
        if (time !== lastFrameTime) {
          stillFrames = changes === framesSeenAt ? stillFrames + 1 : 0;
          framesSeenAt = changes;
          lastFrameTime = time;
        }
        return invoke(key, tick, callback, this, arguments);
      });
      frames.set(id, tick);
      return id;
    };
    W.cancelAnimationFrame = function (id) { frames.delete(id); return caf0.call(W, id); };
  }
  var awaitedFrames = function () {
    if (stillFrames >= AnimationFrames) return 0;
    var n = 0;
    frames.forEach(function (tick) { if (!tick) n++; });
    return n;
  };

  // Requests count until they are answered and their bodies read, in this window and in any frame of the
  // same origin (frames run this script too, and hand their window over here; one the page added and wrote
  // into itself is taken as the page reaches it).
  var ticked = new WeakSet(), instrumented = new WeakSet();
  var instrument = function (win) {
    try {
      if (instrumented.has(win.Function)) return;
      instrumented.add(win.Function);
    } catch (e) { return; }
    if (win.fetch) {
      var fetch0 = win.fetch;
      win.fetch = function () {
        var fromTick = ticking, end = track(), promise;
        try { promise = fetch0.apply(this, arguments); } catch (e) { end(); throw e; }
        promise.then(function (response) { if (fromTick) ticked.add(response); end(); }, end);
        return promise;
      };
    }
    // A fetch is answered when its head arrives; the body the page then reads can take much longer.
    if (win.Response) {
      ['arrayBuffer', 'blob', 'formData', 'json', 'text'].forEach(function (name) {
        var read0 = win.Response.prototype[name];
        if (typeof read0 !== 'function') return;
        win.Response.prototype[name] = function () {
          var end = ticked.has(this) ? function () {} : track(), promise;
          try { promise = read0.apply(this, arguments); } catch (e) { end(); throw e; }
          promise.then(end, end);
          return promise;
        };
      });
    }
    if (win.XMLHttpRequest) {
      var send0 = win.XMLHttpRequest.prototype.send;
      win.XMLHttpRequest.prototype.send = function () {
        var end = track();
        this.addEventListener('loadend', end);
        try { return send0.apply(this, arguments); } catch (e) { end(); throw e; }
      };
    }
    // A worker's own requests cannot be seen from here: a worker counts as under way until it first
    // answers the page, fails or is ended.
    if (win.Worker) {
      var Worker0 = win.Worker;
      var Worker = function (url, options) {
        var worker = new Worker0(url, options), end = track();
        worker.addEventListener('message', function () { end(); touch(); });
        worker.addEventListener('error', end);
        var terminate0 = worker.terminate;
        worker.terminate = function () { end(); return terminate0.apply(this, arguments); };
        return worker;
      };
      Worker.prototype = Worker0.prototype;
      win.Worker = Worker;
    }
    if (win.HTMLIFrameElement) {
      ['contentWindow', 'contentDocument'].forEach(function (name) {
        var get0 = Object.getOwnPropertyDescriptor(win.HTMLIFrameElement.prototype, name);
        if (!get0 || !get0.get) return;
        Object.defineProperty(win.HTMLIFrameElement.prototype, name, {configurable: true, enumerable: true,
          get: function () {
            var value = get0.get.call(this);
            var frame = value && (name === 'contentWindow' ? value : value.defaultView);
            if (frame) instrument(frame);
            return value;
          }});
      });
    }
    if (win.Element && win.Element.prototype.attachShadow) {
      var attach0 = win.Element.prototype.attachShadow;
      win.Element.prototype.attachShadow = function (init) {
        var root = attach0.apply(this, arguments);
        if (root.mode === 'open') shadows = true;
        return root;
      };
    }
    // What comes as the page is scrolled comes from an observer of what is in view, or a scroll listener.
    if (win.IntersectionObserver) {
      var observe0 = win.IntersectionObserver.prototype.observe;
      win.IntersectionObserver.prototype.observe = function () {
        watchesView = true;
        return observe0.apply(this, arguments);
      };
    }
    if (win.EventTarget) {
      var listen0 = win.EventTarget.prototype.addEventListener;
      win.EventTarget.prototype.addEventListener = function (type) {
        if (type === 'scroll' || type === 'wheel') watchesScrolling = true;
        return listen0.apply(this, arguments);
      };
    }
  };
  instrument(W);
  Object.defineProperty(W, '__quarnelInstrument', {value: instrument});

  // Scripts and style sheets added once the document is complete (the document's own were waited for),
  // anywhere in what was added, except those that will never load: parked with a type that is not a
  // script's (as consent tools do), nomodule, or disabled.
  var scriptType = /^(|module|(text|application)\/(x-)?(java|ecma)script|text\/(jscript|livescript))$/;
  var willLoad = function (node) {
    if (node.tagName === 'SCRIPT')
      return !!node.src && !node.noModule && scriptType.test((node.getAttribute('type') || '').trim().toLowerCase());
    return node.tagName === 'LINK' && !node.disabled && /(^|\s)stylesheet(\s|$)/i.test(node.rel || '') &&
      !/(^|\s)alternate(\s|$)/i.test(node.rel || '');
  };
  var wait = function (node) {
    var end = track();
    node.addEventListener('load', end);
    node.addEventListener('error', end);
  };
  var added = function (node) {
    if (node.nodeType !== 1 || !loaded) return;
    if (willLoad(node)) wait(node);
    if (node.firstElementChild)
      Array.prototype.forEach.call(node.querySelectorAll('script[src], link[rel]'), function (inner) {
        if (willLoad(inner)) wait(inner);
      });
  };
  var scan = function (records, counts) {
    if (!records.length) return;
    if (counts) { touch(); changes++; }
    for (var i = 0; i < records.length; i++)
      for (var j = 0; j < records[i].addedNodes.length; j++) added(records[i].addedNodes[j]);
  };
  // Changes count from the document's completion on: watching the parser build a large document would cost
  // a record for every node.
  observer = new MutationObserver(function (records) { scan(records, true); });
  W.addEventListener('load', function () {
    loaded = true;
    loadedAt = now();
    observer.observe(document, {childList: true, subtree: true, characterData: true});
  });

  // A refresh the document asks for (<meta http-equiv="refresh" content="SECONDS; url=ADDRESS">) to another
  // address: how long from now until it is due, counted from the document's load as the engine counts it;
  // null when there is none. A page that refreshes itself is read as it stands.
  var refreshDue = function () {
    if (!loaded) return null;
    var meta = document.querySelector('meta[http-equiv="refresh" i]');
    var asked = meta && /^\s*(\d+(?:\.\d*)?)\s*(?:[;,]\s*(?:url\s*=\s*)?['"]?([^'"]*))?/i.exec(meta.content || '');
    if (!asked || !asked[2] || !asked[2].trim()) return null;
    var target;
    try { target = new URL(asked[2].trim(), document.baseURI); } catch (e) { return null; }
    target.hash = '';
    var here = new URL(location.href);
    here.hash = '';
    if (target.href === here.href) return null;
    return loadedAt + Number(asked[1]) * 1000 - now();
  };

  // Scrolling: a page taller than its view is scrolled on a view at a time, when it watches what is in view
  // or its scrolling, until a step brings nothing new and its bottom is reached. After each step the page is
  // told of it: a page that watches what is in view is drawn from then on until it is read, and waits two
  // frames after each step (what is in view is found on a frame and told after it; a change missed while it
  // was not drawn, such as a sentinel pushed out of view by what came, would never be told). Such a page is
  // first drawn where it stands, so that what is in its first view is found there. A page that only listens
  // to its scrolling is told at once, without being drawn. The settle rule then runs again.
  var stepFrames = 0, stepChanges = -1, stepHeight = -1, drawnWhereItStands = false, scrollingInView = false;
  Object.defineProperty(W, '__quarnelScroll', {value: function (allowed) {
    var root = document.scrollingElement || document.documentElement;
    if (!root || !document.body) return {done: true};
    var lazyFrames = !!document.querySelector('iframe[loading="lazy" i]'), inView = watchesView || lazyFrames;
    var atBottom = function () { return W.scrollY + W.innerHeight >= root.scrollHeight - 1; };
    var fresh = stepHeight >= 0 && (changes !== stepChanges || root.scrollHeight !== stepHeight);
    if ((!watchesScrolling && !inView) || (atBottom() && !fresh)) return {done: true};
    if (!allowed) return {done: false};
    var step = function () {
      stepChanges = changes;
      stepHeight = root.scrollHeight;
      W.scrollTo({top: W.scrollY + W.innerHeight, behavior: 'instant'}); // not smoothly, whatever its style
    };
    if (inView) {
      if (drawnWhereItStands) step();
      drawnWhereItStands = scrollingInView = true;
      stepFrames = 2;
      var count = function () { if (--stepFrames > 0) raf0.call(W, count); };
      raf0.call(W, count);
      return {done: false, frames: true, steps: 1};
    }
    // Steps that bring nothing under way (no change, request, timer or frame) follow each other at once.
    var steps = 0;
    do {
      step();
      document.dispatchEvent(new Event('scroll', {bubbles: true}));
      steps++;
      scan(observer.takeRecords(), true);
    } while (steps < allowed && !atBottom() && pending(PastDueMs).length === 0);
    return {done: false, frames: false, steps: steps};
  }});

  // The text a person sees: the body's innerText, where the open shadow roots show their own text, each
  // slot what is slotted into it, and frames of the page's own site their documents' text, in their places.
  // Lines break around blocks as innerText breaks them. A document without either is read by innerText.
  var FrameDepth = 4;
  var framesIn = function (doc) { return doc.querySelector('iframe, frame') !== null; };
  var breaksOf = function (node, style) {
    var display = style.display;
    if (/^(inline|contents|ruby|table-cell)/.test(display)) return 0;
    return node.tagName === 'P' ? 2 : 1;
  };
  var textOf = function (doc, depth) {
    var body = doc.body;
    if (!body) return null;
    if (!shadows && !framesIn(doc)) return body.innerText;
    // What holds a shadow root, a slot or a readable frame, and every node above them, is walked; all else
    // is read by innerText, whole.
    var walked = new Set(), out = [];
    var mark = function (node) {
      while (node && !walked.has(node)) {
        walked.add(node);
        node = node.parentNode || node.host;
      }
    };
    var readable = function (frame) {
      try { return frame.contentDocument; } catch (e) { return null; }
    };
    var find = function (root) {
      var all = root.querySelectorAll('*');
      for (var i = 0; i < all.length; i++) {
        var el = all[i];
        if (el.shadowRoot) { mark(el); find(el.shadowRoot); }
        else if (el.tagName === 'SLOT' && root !== doc) mark(el);
        else if ((el.tagName === 'IFRAME' || el.tagName === 'FRAME') && readable(el)) mark(el);
      }
    };
    find(doc);
    var collapse = function (text, style) {
      return /^(pre|pre-wrap|break-spaces)$/.test(style.whiteSpace) ? text
        : style.whiteSpace === 'pre-line' ? text.replace(/[ \t]+/g, ' ') : text.replace(/[ \t\r\n]+/g, ' ');
    };
    var walk = function (node) {
      if (node.nodeType === 3) {
        var parent = node.parentNode && node.parentNode.nodeType === 1 ? node.parentNode : node.parentNode && node.parentNode.host;
        if (parent) out.push(collapse(node.data, doc.defaultView.getComputedStyle(parent)));
        return;
      }
      if (node.nodeType === 11) { node.childNodes.forEach(walk); return; }
      if (node.nodeType !== 1) return;
      var style = node.ownerDocument.defaultView.getComputedStyle(node);
      if (style.display === 'none') return;
      if (node.tagName === 'BR') { out.push('\n'); return; }
      var breaks = breaksOf(node, style);
      out.push(breaks);
      if (!walked.has(node)) {
        out.push(node.innerText);
      } else if (node.tagName === 'IFRAME' || node.tagName === 'FRAME') {
        if (style.visibility !== 'hidden' && depth > 0) {
          var inner = textOf(readable(node), depth - 1);
          out.push(1, inner === null ? '' : inner, 1);
        }
      } else if (node.shadowRoot) {
        node.shadowRoot.childNodes.forEach(walk);
      } else if (node.tagName === 'SLOT') {
        var assigned = node.assignedNodes();
        (assigned.length ? assigned : Array.prototype.slice.call(node.childNodes)).forEach(walk);
      } else {
        node.childNodes.forEach(walk);
      }
      if (style.display === 'table-cell' && node.nextElementSibling) out.push('\t');
      out.push(breaks);
    };
    walk(body);
    // Strings and counts of line breaks, joined: the most breaks asked for between two strings, none at
    // either end, and a collapsed space never beside a break or another space.
    var text = '', want = 0;
    for (var i = 0; i < out.length; i++) {
      var part = out[i];
      if (typeof part === 'number') { if (text) want = Math.max(want, part); continue; }
      if (want) {
        text = text.replace(/ +$/, '') + '\n'.repeat(want);
        part = part.replace(/^ +/, '');
        want = 0;
      } else if (/(^|[ \n])$/.test(text)) {
        part = part.replace(/^ /, '');
      }
      text += part;
    }
    return text.replace(/[ \n]+$/, '');
  };
  Object.defineProperty(W, '__quarnelText', {value: function () { return textOf(document, FrameDepth); }});

  var pending = function (remainingMs) {
    var t = now(), until = t + remainingMs, why = [];
    if (busy > 0) why.push(busy + (busy === 1 ? ' request' : ' requests'));
    var due = 0;
    timers.forEach(function (timer) {
      if (timer.tick) return;
      if (timer.due <= until && timer.due > t - PastDueMs) due++;
    });
    idle.forEach(function (tick) { if (!tick) due++; });
    if (due) why.push(due + (due === 1 ? ' timer' : ' timers'));
    if (awaitedFrames()) why.push('frames');
    if (lastChange && t - lastChange < QuietMs) why.push('changes');
    var refresh = refreshDue();
    if (refresh !== null && refresh <= remainingMs && refresh > -PastDueMs) why.push('a refresh');
    if (stepFrames > 0) why.push('scrolling');
    return why;
  };
  Object.defineProperty(W, '__quarnelSettled', {value: function (remainingMs) {
    return pending(remainingMs).length === 0;
  }});
  Object.defineProperty(W, '__quarnelWaitingFor', {value: function (remainingMs) {
    return pending(remainingMs).join(', ');
  }});
  // A page kept for the next load falls quiet: its timers and frames end, and it changes its history entry
  // no more (the engine would take that for the end of the next load).
  Object.defineProperty(W, '__quarnelQuiet', {value: function () {
    timers.forEach(function (timer, id) { clearT.call(W, id); clearI.call(W, id); });
    timers.clear();
    if (caf0) frames.forEach(function (tick, id) { caf0.call(W, id); });
    frames.clear();
    if (cic0) idle.forEach(function (tick, id) { cic0.call(W, id); });
    idle.clear();
    history.pushState = history.replaceState = function () {};
  }});
  // Idle periods come after frames: a page waiting for an idle callback is drawn too.
  Object.defineProperty(W, '__quarnelWantsFrames', {value: function () {
    var idleAwaited = false;
    idle.forEach(function (tick) { if (!tick) idleAwaited = true; });
    return awaitedFrames() > 0 || idleAwaited || scrollingInView;
  }});
})();
