// What the program asks of a page once it has loaded. Each function is called on its own, with its values
// as arguments (see pageReadCall), in the page's own script world: whatever the page's scripts do there
// changes only the page's own text, which they could write anyway.
/* exported readHead, readSlice, settledOrWhy, readByThisLoad, quiet */

// The first step of a read (`what`: 'markup' or 'text'): the whole text when it is at most `sliceLength`
// long, else its length, while the text waits in the page for its slices. The document is marked as read by
// load number `load` for good: a document that later changes its history entry on an idle page is still
// known as another load's. With `settleWithinMs` at 0 or more, the page is read only if it has settled (see settledOrWhy).
function readHead(load, what, sliceLength, settleWithinMs, scroll) {
  'use strict';
  var W = window;
  if (settleWithinMs >= 0) {
    var answer = settledOrWhy(settleWithinMs, scroll);
    if (answer !== true) return answer;
  }
  if (W.__quarnelRead !== undefined && W.__quarnelRead !== load) return {stale: true};
  try { Object.defineProperty(W, '__quarnelRead', {value: load}); } catch (e) { /* read before */ }
  var value = what === 'markup'
    ? (document.documentElement ? document.documentElement.outerHTML : null)
    : !document.body ? null : W.__quarnelText ? W.__quarnelText() : document.body.innerText;
  if (value === null || value === undefined) return {missing: true};
  value = String(value);
  if (value.length <= sliceLength) return {text: value.replace(/\r?\n/g, '\r\n')};
  W['__quarnelText' + load] = value;
  return {length: value.length};
}

// The slice of the waiting text from `from`, with CR LF line breaks; it never ends inside a CR LF pair. The
// last slice frees the text.
function readSlice(load, from, sliceLength) {
  'use strict';
  var name = '__quarnelText' + load, text = window[name];
  if (typeof text !== 'string') return null;
  var end = Math.min(text.length, from + sliceLength);
  if (end < text.length && text.charCodeAt(end - 1) === 13) end--;
  var slice = text.substring(from, end).replace(/\r?\n/g, '\r\n');
  if (end >= text.length) delete window[name];
  return {text: slice, next: end};
}

// True when the page has settled; else whether it waits for a frame and what it waits for. A page without the
// watcher says so; a watcher that fails counts as unsettled, so that such a page waits for the settle limit
// rather than being read early. A settled page is then scrolled on, when `scroll` is a number and that may
// bring more of it: by up to `scroll` views ({scrolled: VIEWS, frames: whether it is drawn now}), or with 0
// not at all ({more: true}, and it is not read).
function settledOrWhy(settleWithinMs, scroll) {
  'use strict';
  var W = window;
  if (!W.__quarnelSettled) return {noWatcher: true};
  try {
    if (!W.__quarnelSettled(settleWithinMs))
      return {unsettled: true, frames: W.__quarnelWantsFrames(), why: W.__quarnelWaitingFor(settleWithinMs)};
    var step = typeof scroll === 'number' ? W.__quarnelScroll(scroll) : {done: true};
    if (step.done) return true;
    return step.steps ? {scrolled: step.steps, frames: step.frames} : {more: true};
  } catch (e) {
    return {unsettled: true, frames: false, why: 'the watcher failed: ' + e};
  }
}

// Whether the document is unread or was read by load number `load`.
function readByThisLoad(load) {
  'use strict';
  return window.__quarnelRead === undefined || window.__quarnelRead === load;
}

// A page kept for the next load falls quiet.
function quiet() {
  'use strict';
  if (window.__quarnelQuiet) window.__quarnelQuiet();
}
