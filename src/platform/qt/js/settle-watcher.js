// Installed in every page before its own scripts run: it watches what the page's scripts still do (requests,
// added scripts and style sheets, timers, animation frames, changes to the document), so that the page can
// be read once they are done. It defines, unchangeable by the page:
//   __quarnelSettled(remainingMs)  true when nothing is under way, no timer is due within remainingMs, and
//                                  the document has been still for a moment;
//   __quarnelWantsFrames()         true while the page waits for an animation frame that is not a
//                                  repeating animation: the page is drawn only then;
//   __quarnelQuiet()               ends the page's timers and frames, for a page kept for the next load.
(function () {
  'use strict';
  var W = window, now = function () { return performance.now(); };
  if (Object.getOwnPropertyDescriptor(W, '__quarnelSettled')) return;
  var busy = 0, loaded = false, lastChange = 0, changes = 0, timers = new Map();
  var frames = new Set(), stillFrames = 0, framesSeenAt = 0;
  var QuietMs = 50, PastDueMs = 1000, AnimationFrames = 3;
  var touch = function () { if (loaded) lastChange = now(); };
  var track = function () {
    busy++; touch();
    var done = false;
    return function () { if (!done) { done = true; busy--; touch(); } };
  };

  var setT = W.setTimeout, clearT = W.clearTimeout, setI = W.setInterval, clearI = W.clearInterval;
  W.setTimeout = function (callback, delay) {
    var rest = Array.prototype.slice.call(arguments, 2), id;
    var run = typeof callback === 'function'
      ? function () { timers.delete(id); touch(); return callback.apply(this, rest); } : callback;
    id = setT.call(W, run, delay);
    timers.set(id, {due: now() + (Number(delay) || 0)});
    return id;
  };
  W.clearTimeout = function (id) { timers.delete(id); return clearT.call(W, id); };
  W.setInterval = function (callback, delay) {
    var id = setI.apply(W, arguments);
    timers.set(id, {every: Math.max(0, Number(delay) || 0)});
    return id;
  };
  W.clearInterval = function (id) { timers.delete(id); return clearI.call(W, id); };

  // A frame asked for is awaited, unless the page's last frames changed nothing of its document: that is
  // an animation, which never ends.
  if (W.requestAnimationFrame) {
    var raf0 = W.requestAnimationFrame, caf0 = W.cancelAnimationFrame;
    W.requestAnimationFrame = function (callback) {
      var id = raf0.call(W, function () {
        frames.delete(id);
        stillFrames = changes === framesSeenAt ? stillFrames + 1 : 0;
        framesSeenAt = changes;
        return callback.apply(this, arguments);
      });
      frames.add(id);
      return id;
    };
    W.cancelAnimationFrame = function (id) { frames.delete(id); return caf0.call(W, id); };
  }

  if (W.fetch) {
    var fetch0 = W.fetch;
    W.fetch = function () {
      var end = track(), promise;
      try { promise = fetch0.apply(this, arguments); } catch (e) { end(); throw e; }
      promise.then(end, end);
      return promise;
    };
  }
  // A fetch is answered when its head arrives; the body the page then reads can take much longer.
  if (W.Response) {
    ['arrayBuffer', 'blob', 'formData', 'json', 'text'].forEach(function (name) {
      var read0 = W.Response.prototype[name];
      if (typeof read0 !== 'function') return;
      W.Response.prototype[name] = function () {
        var end = track(), promise;
        try { promise = read0.apply(this, arguments); } catch (e) { end(); throw e; }
        promise.then(end, end);
        return promise;
      };
    });
  }
  if (W.XMLHttpRequest) {
    var send0 = W.XMLHttpRequest.prototype.send;
    W.XMLHttpRequest.prototype.send = function () {
      var end = track();
      this.addEventListener('loadend', end);
      try { return send0.apply(this, arguments); } catch (e) { end(); throw e; }
    };
  }

  // Scripts and style sheets added once the document is complete: the document's own were waited for.
  var added = function (node) {
    if (node.nodeType !== 1 || !loaded) return;
    if ((node.tagName === 'SCRIPT' && node.src) || (node.tagName === 'LINK' && /stylesheet/i.test(node.rel || ''))) {
      var end = track();
      node.addEventListener('load', end);
      node.addEventListener('error', end);
    }
  };
  new MutationObserver(function (records) {
    touch();
    changes++;
    for (var i = 0; i < records.length; i++)
      for (var j = 0; j < records[i].addedNodes.length; j++) added(records[i].addedNodes[j]);
  }).observe(document, {childList: true, subtree: true, characterData: true});
  W.addEventListener('load', function () { loaded = true; });

  Object.defineProperty(W, '__quarnelSettled', {value: function (remainingMs) {
    var t = now();
    if (busy > 0 || (lastChange && t - lastChange < QuietMs)) return false;
    if (frames.size > 0 && stillFrames < AnimationFrames) return false;
    var until = t + remainingMs, due = false;
    timers.forEach(function (timer) {
      if (timer.every !== undefined ? timer.every <= remainingMs : timer.due <= until && timer.due > t - PastDueMs)
        due = true;
    });
    return !due;
  }});
  // A page kept for the next load falls quiet: its timers and frames end, and it changes its history entry
  // no more (the engine would take that for the end of the next load).
  Object.defineProperty(W, '__quarnelQuiet', {value: function () {
    timers.forEach(function (timer, id) { clearT.call(W, id); clearI.call(W, id); });
    timers.clear();
    if (caf0) frames.forEach(function (id) { caf0.call(W, id); });
    frames.clear();
    history.pushState = history.replaceState = function () {};
  }});
  // Whether the page waits for a frame: it is drawn only then.
  Object.defineProperty(W, '__quarnelWantsFrames', {value: function () {
    return frames.size > 0 && stillFrames < AnimationFrames;
  }});
})();
