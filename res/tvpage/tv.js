// The TV page: turns nginx's listing of a shared folder into large tiles for a
// remote control, a phone or a mouse. The listing stays in the page (its links
// are where the names come from); this only hides it and adds the tiles.
// ECMAScript 5 and plain DOM, for the old browsers that TVs keep.
(function () {
    'use strict';

    var doc = document;
    var listing = doc.querySelectorAll ? doc.querySelectorAll('body > pre a') : null;
    if (!listing || !doc.body || !doc.body.appendChild) return;

    // The video kinds and where their stills lie, filled in from
    // res/video_kinds.json, which the program's list comes from too.
    var KINDS = @VIDEO_KINDS_JS@;
    var VIDEO = extensionPattern(KINDS.videoExtensions);
    var CHUNK = 240;
    var RETRY_MS = 4000;
    var KEY = {
        left: 37, up: 38, right: 39, down: 40, enter: 13, backspace: 8, escape: 27,
        tvBack: [461, 10009], pageUp: 33, pageDown: 34, end: 35, home: 36, prev: [177, 427], next: [176, 428],
        subtitles: [405, 83], sound: [404, 65]  // yellow or S, green or A
    };

    function el(tag, className, text) {
        var node = doc.createElement(tag);
        if (className) node.className = className;
        if (text !== undefined) node.appendChild(doc.createTextNode(text));
        return node;
    }

    // Names ending in one of the extensions, with A to Z in either case, as
    // the program folds them (the i flag folds no other letter to these).
    function extensionPattern(extensions) {
        return new RegExp('(\\' + extensions.join('|\\') + ')$', 'i');
    }

    // nginx spells a name's bytes in an address as they are on disk. Names
    // that are not UTF-8 (GBK, from old Windows archives) are read as
    // GB18030 where the browser can, and stay in percent codes where not.
    var legacyNames = (function () {
        try {
            return window.TextDecoder && window.Uint8Array ? new window.TextDecoder('gb18030') : null;
        } catch (e) {
            return null;
        }
    })();

    function decodeLegacy(text) {
        var bytes = [];
        for (var i = 0; i < text.length; i++) {
            var hex = text.charAt(i) === '%' ? text.substr(i + 1, 2) : '';
            if (/^[0-9a-f]{2}$/i.test(hex)) {
                bytes.push(parseInt(hex, 16));
                i += 2;
            } else if (text.charCodeAt(i) < 0x80) {
                bytes.push(text.charCodeAt(i));
            } else {
                return text;
            }
        }
        return legacyNames.decode(new Uint8Array(bytes));
    }

    function decode(text) {
        try {
            return decodeURIComponent(text);
        } catch (e) {
            return legacyNames ? decodeLegacy(text) : text;
        }
    }

    function hasClass(node, name) {
        return (' ' + node.className + ' ').indexOf(' ' + name + ' ') >= 0;
    }

    function empty(node) {
        while (node.firstChild) node.removeChild(node.firstChild);
    }

    function setClass(node, name, on) {
        var has = hasClass(node, name);
        if (on && !has) node.className += ' ' + name;
        if (!on && has) node.className = (' ' + node.className + ' ').replace(' ' + name + ' ', ' ').replace(/^ +| +$/g, '');
    }

    // What the browser keeps for the page, as JSON; null where it keeps
    // nothing (storage off, or refused as in private windows).
    function load(area, key) {
        try {
            return JSON.parse(window[area].getItem(key));
        } catch (e) {
            return null;
        }
    }

    function save(area, key, value) {
        try {
            window[area].setItem(key, JSON.stringify(value));
        } catch (e) {
            return;  // full or refused: the page works on without it
        }
    }

    // --- Where this folder lies ---

    var rawSegments = location.pathname.split('/').filter(function (s) { return s !== ''; });
    var segments = rawSegments.map(decode);
    var atShareRoot = segments.length <= 1;
    var stillBase = stillFolder(rawSegments);

    // Where the stills of a folder's videos lie, from its path's segments.
    function stillFolder(raw) {
        return '/' + raw[0] + '/' + KINDS.stillFolder + '/' + (raw.length > 1 ? raw.slice(1).join('/') + '/' : '');
    }

    // An address's path, without the server and the part after '#'.
    function pathOf(address) {
        return address.replace(/^\w+:\/\/[^\/]*/, '').split('#')[0];
    }

    function folderAddress(level) {
        return '/' + rawSegments.slice(0, level).join('/') + '/';
    }

    // --- The entries, from the listing's links (never from the cut text) ---

    // A video's still: its name as the listing's address spells it, the last
    // extension replaced (nginx never spells a dot in percent codes), or the
    // whole name kept.
    function stillName(rawName, whole) {
        return (whole ? rawName : rawName.slice(0, rawName.lastIndexOf('.'))) + KINDS.stillExtension;
    }

    // As the program names them: where videos of the folder would claim one
    // still name (A to Z folded; the addresses are ASCII), each takes its
    // whole name instead, until no two claim one.
    function nameStills(videos) {
        function key(v) { return '~' + stillName(v.raw, v.whole).toLowerCase(); }
        for (var changed = true; changed;) {
            var claims = {};
            changed = false;
            videos.forEach(function (v) { claims[key(v)] = (claims[key(v)] || 0) + 1; });
            videos.forEach(function (v) { if (!v.whole && claims[key(v)] > 1) v.whole = changed = true; });
        }
    }

    function kindOf(name, isFolder) {
        if (isFolder) return 'folder';
        return VIDEO.test(name) ? 'video' : 'file';
    }

    function readEntries() {
        var entries = [];
        for (var i = 0; i < listing.length; i++) {
            var href = listing[i].getAttribute('href') || '';
            if (href === '../') continue;
            var isFolder = href.charAt(href.length - 1) === '/';
            var raw = href.replace(/^\.\//, '').replace(/\/$/, '');
            var name = decode(raw);
            if (name.charAt(0) === '.') continue;
            if (atShareRoot && isFolder && name === KINDS.stillFolder) continue;
            entries.push({ name: name, raw: raw, href: listing[i].href, kind: kindOf(name, isFolder), link: listing[i] });
        }
        return entries;
    }

    // Numbers in names in numeric order: 第2集 before 第10集.
    function chunks(name) {
        return name.toLowerCase().match(/\d+|\D+/g) || [];
    }

    function compareChunk(a, b) {
        var aNumber = /^\d/.test(a), bNumber = /^\d/.test(b);
        if (aNumber && bNumber) {
            var x = a.replace(/^0+/, ''), y = b.replace(/^0+/, '');
            if (x.length !== y.length) return x.length - y.length;
            if (x !== y) return x < y ? -1 : 1;
            return a.length - b.length;
        }
        if (a === b) return 0;
        return a < b ? -1 : 1;
    }

    function naturalCompare(a, b) {
        var x = chunks(a), y = chunks(b);
        for (var i = 0; i < x.length && i < y.length; i++) {
            var order = compareChunk(x[i], y[i]);
            if (order) return order;
        }
        return x.length - y.length || (a < b ? -1 : a > b ? 1 : 0);
    }

    var KIND_ORDER = { folder: 0, video: 1, file: 2 };
    var MONTHS = 'JanFebMarAprMayJunJulAugSepOctNovDec';

    // When an entry was last changed, as the listing shows it after the link
    // ("11-Dec-2026 04:05"), in minutes.
    function addedAt(entry) {
        if (entry.added === undefined) {
            var text = entry.link.nextSibling, m = text && /(\d+)-(\w{3})-(\d+) (\d+):(\d+)/.exec(text.nodeValue);
            entry.added = m ? Date.UTC(+m[3], MONTHS.indexOf(m[2]) / 3, +m[1], +m[4], +m[5]) / 60000 : 0;
        }
        return entry.added;
    }

    // By name, or newest first; folders first either way.
    function sortEntries(entries, byDate) {
        return entries.sort(function (a, b) {
            return KIND_ORDER[a.kind] - KIND_ORDER[b.kind] || (byDate && addedAt(b) - addedAt(a)) ||
                naturalCompare(a.name, b.name);
        });
    }

    // --- Building the page ---

    var root = el('div', 'tvp');
    var grid = el('div', 'tvp-grid');
    var fileList = el('ul', 'tvp-files');
    var tiles = [];
    var videos = [];
    var headerLinks = [];

    function buildHeader() {
        var top = el('div', 'tvp-top');
        var href = '/';
        for (var i = 0; i < segments.length; i++) {
            href += rawSegments[i] + '/';
            if (i) top.appendChild(el('span', 'tvp-sep', ' / '));
            if (i === segments.length - 1) {
                top.appendChild(el('span', 'tvp-here', segments[i]));
            } else {
                var link = el('a', 'tvp-up', segments[i]);
                link.href = href;
                link.onclick = upTo(i + 1);
                top.appendChild(link);
                headerLinks.push(link);
            }
        }
        return top;
    }

    function newTile(entry) {
        var tile = el('a', 'tvp-tile tvp-' + entry.kind);
        tile.href = entry.href;
        var pic = el('span', 'tvp-pic');
        pic.appendChild(el('span', 'tvp-mark'));
        tile.appendChild(pic);
        var name = el('span', 'tvp-name');
        name.appendChild(el('span', '', entry.name));
        tile.appendChild(name);
        tile.title = entry.name;
        entry.pic = pic;
        return entry.tile = tile;
    }

    // A tile is made once; sorting again moves it.
    function buildTile(entry) {
        if (!entry.tile) {
            newTile(entry);
            if (entry.kind === 'video') {
                entry.still = stillBase + stillName(entry.raw, entry.whole);
                showProgress(entry, load('localStorage', WATCH + pathOf(entry.href)));
            }
        }
        if (entry.kind === 'video') {
            entry.tileIndex = tiles.length;
            videos.push(entry);
        }
        tiles.push(entry.tile);
        return entry.tile;
    }

    function buildFileRow(entry) {
        if (!entry.tile) {
            entry.row = el('li');
            entry.tile = el('a', 'tvp-file', entry.name);
            entry.tile.href = entry.href;
            entry.row.appendChild(entry.tile);
        }
        tiles.push(entry.tile);
        return entry.row;
    }

    // The first screen is built at once; the rest in chunks between frames, so
    // that a folder of thousands of videos never freezes the page. A new
    // order ends the building of the last.
    var building = 0, built = false;

    function buildEntries(entries, done) {
        var next = 0, build = ++building;
        built = false;
        empty(grid);
        empty(fileList);
        tiles.length = videos.length = 0;
        function chunk(size) {
            if (build !== building) return;
            var end = Math.min(entries.length, next + size);
            for (; next < end; next++) {
                var entry = entries[next];
                if (entry.kind === 'file') fileList.appendChild(buildFileRow(entry));
                else grid.appendChild(buildTile(entry));
            }
            loadVisibleStills();
            if (next < entries.length) setTimeout(function () { chunk(CHUNK); }, 0);
            else done(built = true);
        }
        chunk(48);
    }

    // --- Stills: only the tiles on screen and one row beyond ---

    function gridMetrics() {
        var first = tiles.length && hasClass(tiles[0], 'tvp-tile') ? tiles[0] : null;
        if (!first || !first.offsetWidth) return null;
        var columns = Math.max(1, Math.floor((grid.clientWidth + 1) / (first.offsetWidth + 1)));
        var rowHeight = first.offsetHeight || 1;
        var step = rowHeight;
        for (var i = 1; i < tiles.length && i <= columns; i++) {
            if (tiles[i].offsetTop > first.offsetTop) {
                columns = i;
                step = tiles[i].offsetTop - first.offsetTop;
                break;
            }
        }
        return { columns: columns, rowHeight: step, top: first.offsetTop };
    }

    function scrollTop() {
        return window.pageYOffset || doc.documentElement.scrollTop || doc.body.scrollTop || 0;
    }

    function loadVisibleStills() {
        if (!videos.length) return;
        var metrics = gridMetrics();
        if (!metrics) return;
        var viewTop = scrollTop() - metrics.top;
        var viewBottom = viewTop + (window.innerHeight || doc.documentElement.clientHeight);
        var firstRow = Math.max(0, Math.floor(viewTop / metrics.rowHeight));
        var lastRow = Math.floor(viewBottom / metrics.rowHeight) + 1;
        var offset = videos[0].tileIndex;
        var from = Math.max(0, firstRow * metrics.columns - offset);
        var to = Math.min(videos.length, (lastRow + 1) * metrics.columns - offset);
        for (var i = from; i < to; i++) requestStill(videos[i]);
    }

    function requestStill(video) {
        if (video.loaded || video.loading || (video.failedAt && new Date() - video.failedAt < RETRY_MS)) return;
        video.loading = true;
        var image = new Image();
        image.onload = function () {
            video.loading = false;
            video.loaded = true;
            image.className = 'tvp-still';
            image.alt = '';
            video.pic.appendChild(image);
            setClass(video.tile, 'tvp-has-still', true);
        };
        image.onerror = function () {
            video.loading = false;
            video.failedAt = new Date();
            if (!video.stemStill) return;
            video.still = video.stemStill;
            video.stemStill = video.failedAt = null;
            requestStill(video);
        };
        image.src = video.failedAt ? video.still + '?t=' + new Date().getTime() : video.still;
    }

    // --- Sorting: by name, or newest first, remembered ---

    var SORT_KEY = 'tvp-sort';
    var sortButtons = [];

    function buildSortSwitch() {
        var box = el('div', 'tvp-sort');
        [['name', '按名称'], ['date', '最近添加']].forEach(function (choice) {
            var button = el('button', 'tvp-button tvp-switch', choice[1]);
            button.value = choice[0];
            button.onclick = function () { sortBy(choice[0]); };
            box.appendChild(button);
            sortButtons.push(button);
            headerLinks.push(button);
        });
        return box;
    }

    function sortBy(order) {
        save('localStorage', SORT_KEY, order);
        sortButtons.forEach(function (button) { setClass(button, 'tvp-chosen', button.value === order); });
        buildEntries(sortEntries(entries, order === 'date'), function () {
            window.tvpageReady = true;
            window.tvpageReadyAt = new Date().getTime();
            focusWanted();
            wanted = null;
        });
    }

    // --- Where each video was left, kept in the browser by its path ---
    // { t: the second to go on from (0: the start), d: its length, w: 1 once
    // watched to the end, at: when last played }; nothing on the PC.

    var WATCH = 'tvp-watch:';
    var RESUME_FROM = 10;    // seconds in before it is worth going on with
    var RESUME_BEFORE = 5;   // going on this much before where it stopped
    var RECENT = 8;
    var resume = { ticket: null, at: 0, saved: -1, timer: 0, button: null };

    function isNearEnd(time, duration) {
        return duration > 0 && time >= duration * 0.95;
    }

    function remember(entry, video, ended) {
        var key = WATCH + pathOf(entry.href), time = video.currentTime, duration = video.duration;
        var watched = ended || isNearEnd(time, duration), old = load('localStorage', key) || {};
        var left = { t: !watched && time >= RESUME_FROM ? Math.floor(time) : 0, d: Math.round(duration) || old.d || 0,
            w: watched || old.w ? 1 : 0, at: new Date().getTime() };
        save('localStorage', key, left);
        showProgress(entry, left);
    }

    // Watched tiles carry a mark; partly watched ones a bar of how far.
    function showProgress(entry, left) {
        if (!left) return;
        setClass(entry.tile, 'tvp-seen', !!left.w);
        if (!entry.bar && left.t) {
            entry.bar = el('span', 'tvp-progress');
            entry.bar.appendChild(el('span'));
            entry.pic.appendChild(entry.bar);
        }
        if (!entry.bar) return;
        entry.bar.style.display = left.t ? 'block' : 'none';
        entry.bar.firstChild.style.width = (left.d ? Math.min(100, 100 * left.t / left.d) : 50) + '%';
    }

    // The player's video, followed through its events (caught on their way
    // down to it): at its metadata, where to go on from; then where it is.
    function onVideoEvent(event) {
        var video = event.target, type = event.type;
        if (!player || video !== player.video) return;
        var entry = videos[player.index], opened = resume.ticket === player.ticket;
        if (type === 'emptied' && !opened) hideRestart();
        if (video.readyState < 1 || !entry) return;
        if (type === 'loadedmetadata') goOnWhereLeft(entry, video);
        else if (opened && (type !== 'timeupdate' || Math.floor(video.currentTime) !== resume.saved)) {
            resume.saved = Math.floor(video.currentTime);
            remember(entry, video, type === 'ended');
        }
    }

    function goOnWhereLeft(entry, video) {
        if (resume.ticket !== player.ticket) {
            var left = load('localStorage', WATCH + pathOf(entry.href));
            resume.ticket = player.ticket;
            resume.at = left && left.t >= RESUME_FROM && !isNearEnd(left.t, video.duration) ? left.t - RESUME_BEFORE : 0;
            if (resume.at) offerRestart();
            else hideRestart();
        }
        if (resume.at) video.currentTime = resume.at;
    }

    // For a few seconds, a focused button starts from the start: one OK.
    function offerRestart() {
        var button = resume.button;
        if (!button) {
            button = resume.button = el('button', 'tvp-button tvp-restart', '从头播放');
            button.onclick = function () {
                resume.at = player.video.currentTime = 0;
                hideRestart();
            };
            player.box.appendChild(button);
        }
        button.style.display = 'block';
        button.focus();
        clearTimeout(resume.timer);
        resume.timer = setTimeout(hideRestart, 6000);
    }

    function hideRestart() {
        var button = resume.button;
        if (!button || button.style.display === 'none') return;
        button.style.display = 'none';
        if (doc.activeElement === button && isPlayerOpen()) player.video.focus();
    }

    // The unfinished videos of this share, last played first.
    function recentVideos() {
        var found = [], prefix = WATCH + '/' + rawSegments[0] + '/';
        try {
            for (var i = 0; i < localStorage.length; i++) {
                var key = localStorage.key(i), left = key.indexOf(prefix) ? null : load('localStorage', key);
                if (left && left.t) found.push({ path: key.slice(WATCH.length), left: left });
            }
        } catch (e) {
            return [];
        }
        return found.sort(function (a, b) { return b.left.at - a.left.at; }).slice(0, RECENT);
    }

    // At the share's top, "继续观看": each opens its folder, which plays it.
    function buildRecent() {
        var recent = recentVideos(), row = el('div', 'tvp-recent'), strip = el('div', 'tvp-strip');
        row.appendChild(el('div', 'tvp-heading', '继续观看'));
        row.appendChild(strip);
        recent.forEach(function (item) {
            var parts = item.path.split('/'), raw = parts.pop(), name = decode(raw);
            var entry = { name: name, kind: 'video', href: parts.join('/') + '/#play=' + encodeURIComponent(name) };
            strip.appendChild(newTile(entry));
            // Without its folder's listing: the whole-named still that twins
            // have first, then the stem's.
            var stills = stillFolder(parts.slice(1));
            entry.still = stills + stillName(raw, true);
            entry.stemStill = stills + stillName(raw);
            showProgress(entry, item.left);
            requestStill(entry);
            recentTiles.push(entry.tile);
        });
        return recent.length ? row : null;
    }

    // --- Back and the browser's history ---
    // Each entry of the history remembers the folder it was reached from:
    // going up to it steps back, going up elsewhere replaces the entry. An
    // open player is an entry of its own, for the browser's Back to close.

    var HISTORY = !!(window.history && history.pushState);
    var HANDOVER = 'tvp-from';  // a replaced entry's "from", for the next page

    function historyState() {
        return history.state || {};
    }

    function followHistory() {
        if (!HISTORY) return;
        var state = historyState(), handed = load('sessionStorage', HANDOVER);
        if (state.from === undefined) {
            state.from = handed && handed.at === folderAddress(rawSegments.length) ? handed.from : pathOf(doc.referrer);
            history.replaceState(state, '');
        }
        save('sessionStorage', HANDOVER, null);
        window.addEventListener('popstate', function () {
            if (isPlayerOpen() && !historyState().player) closePlayer();
        }, false);
    }

    // Up to the folder `level` segments deep, focusing the tile on the way.
    function goUpTo(level) {
        var address = folderAddress(level), from = historyState().from;
        if (from === address) return history.back();
        save('sessionStorage', HANDOVER, { at: address, from: from });
        location.replace(address + '#' + encodeURIComponent(segments[level]));
    }

    function upTo(level) {
        return function () {
            goUpTo(level);
            return false;
        };
    }

    // The address keeps the tile a folder was opened from, for the way back.
    function rememberTile(tile) {
        if (HISTORY) history.replaceState(historyState(), '', '#' + encodeURIComponent(tile.title));
    }

    function playerOpened() {
        if (HISTORY) history.pushState({ from: historyState().from, player: true }, '');
    }

    function playerClosed() {
        hideRestart();
        if (historyState().player) history.back();
    }

    // --- Focus and the remote control ---

    function focusables() {
        return headerLinks.concat(recentTiles, tiles);
    }

    function focusOn(node) {
        if (!node) return;
        node.focus();
        loadVisibleStills();
    }

    function centre(rect) {
        return { x: (rect.left + rect.right) / 2, y: (rect.top + rect.bottom) / 2 };
    }

    // The nearest element in the direction pressed, by where the elements lie
    // on screen: up and down go to the nearest row, there to the nearest
    // across (so Down from any column reaches a short last row).
    function neighbour(current, key) {
        var all = focusables();
        var index = all.indexOf(current);
        if (index < 0) return all[headerLinks.length] || all[0];
        var metrics = gridMetrics();
        var reach = (metrics ? metrics.columns : 4) * 3 + 8;
        var from = Math.max(0, index - reach), to = Math.min(all.length, index + reach);
        var here = current.getBoundingClientRect(), c = centre(here);
        var vertical = key === KEY.down || key === KEY.up, found = [], nearest = Infinity;
        function consider(candidate) {
            if (candidate === current) return;
            var r = candidate.getBoundingClientRect();
            var gap = key === KEY.down ? r.top - here.bottom : key === KEY.up ? here.top - r.bottom :
                key === KEY.right ? r.left - here.right : here.left - r.right;
            if (gap < -2 || (!vertical && (r.top >= here.bottom || r.bottom <= here.top))) return;
            found.push({ node: candidate, gap: gap, across: vertical ? Math.abs(centre(r).x - c.x) : 0 });
            nearest = Math.min(nearest, gap);
        }
        for (var i = 0; i < headerLinks.length; i++) consider(headerLinks[i]);
        for (i = Math.max(from, headerLinks.length); i < to; i++) consider(all[i]);
        var best = null;
        for (i = 0; i < found.length; i++) {
            if (found[i].gap <= nearest + 20 && (!best || found[i].across < best.across)) best = found[i];
        }
        return best && best.node;
    }

    // Back at the share's top leaves the page, as the browser's own Back;
    // with nothing to go back to, the key is left to the browser.
    function goUp() {
        if (atShareRoot) history.back();
        else goUpTo(segments.length - 1);
    }

    // Page Down and Up: the focus a screen's rows on, the page scrolled as far.
    function pageMove(direction) {
        var current = doc.activeElement, index = tiles.indexOf(current), metrics = gridMetrics();
        if (index < 0 || !metrics) return focusOn(tiles[0]);
        var inGrid = hasClass(current, 'tvp-tile');
        var rowHeight = inGrid ? metrics.rowHeight : current.offsetHeight || 1;
        var rows = Math.max(1, Math.floor((window.innerHeight || doc.documentElement.clientHeight) / rowHeight));
        var target = index + direction * rows * (inGrid ? metrics.columns : 1);
        window.scrollBy(0, direction * rows * rowHeight);
        focusOn(tiles[Math.max(0, Math.min(tiles.length - 1, target))]);
    }

    // Home and End: the first and the last tile (once all are built).
    function jumpTo(last) {
        if (last) {
            wanted = built ? null : { last: true };
            focusOn(tiles[tiles.length - 1]);
        } else {
            focusOn(tiles[0]);
            window.scrollTo(0, 0);
        }
    }

    function isOneOf(key, list) {
        return list.indexOf(key) >= 0;
    }

    function isBack(key) {
        return key === KEY.backspace || key === KEY.escape || isOneOf(key, KEY.tvBack);
    }

    function onPageKey(event) {
        var key = event.keyCode;
        if (key >= KEY.left && key <= KEY.down) {
            focusOn(neighbour(doc.activeElement, key));
        } else if (isBack(key) && (!atShareRoot || history.length > 1)) {
            goUp();
        } else if (key === KEY.pageDown || key === KEY.pageUp) {
            pageMove(key === KEY.pageDown ? 1 : -1);
        } else if (key === KEY.home || key === KEY.end) {
            jumpTo(key === KEY.end);
        } else {
            return;
        }
        event.preventDefault();
    }

    // --- The player ---

    var player = null;
    var PLAYED_AS_IT_IS = /\.(mp4|m4v|mov|webm)$/i;

    // What this browser plays beyond what every browser plays; the program's
    // playback helper decides from it how each video reaches the browser.
    var ABILITIES = (function () {
        var probe = doc.createElement('video');
        function can(type) { return !!(probe.canPlayType && probe.canPlayType(type)); }
        return {
            hevc: can('video/mp4; codecs="hvc1.1.6.L93.B0"'),
            mkv: can('video/x-matroska; codecs="avc1.42E01E"'),
            ac3: can('audio/mp4; codecs="ac-3"'),
            hls: can('application/vnd.apple.mpegurl')
        };
    })();

    // Where the engine lacks HLS but has MediaSource, hls.js's light build
    // plays the playlist, asked for without HEVC and AC-3, which it cannot read.
    var LIBRARY = {
        address: '/%25vomra/hls.light.min.js',
        abilities: { hevc: false, mkv: ABILITIES.mkv, ac3: false },
        waiting: null  // the calls waiting for the script, while it loads
    };

    function libraryMayPlay() {
        var media = window.MediaSource;
        return !ABILITIES.hls && !!media && !!media.isTypeSupported &&
            media.isTypeSupported('video/mp4; codecs="avc1.42E01E,mp4a.40.2"');
    }

    // Calls done(true) once hls.js is loaded and plays here, done(false) if
    // not; the script is fetched on the first video that needs it.
    function withLibrary(done) {
        function ready() { return !!window.Hls && window.Hls.isSupported(); }
        if (window.Hls) return done(ready());
        if (LIBRARY.waiting) return LIBRARY.waiting.push(done);
        LIBRARY.waiting = [done];
        var script = el('script');
        script.onload = script.onerror = function () {
            var waiting = LIBRARY.waiting;
            LIBRARY.waiting = null;
            for (var i = 0; i < waiting.length; i++) waiting[i](ready());
        };
        script.src = LIBRARY.address;
        (doc.head || doc.body).appendChild(script);
    }

    // The helper's address for a video: its path below the share, after
    // "/%vomra/play", the abilities and the sound track chosen, if any.
    function playbackAddress(entry, abilities, track) {
        var link = doc.createElement('a');
        link.href = entry.href;
        var path = link.pathname.charAt(0) === '/' ? link.pathname : '/' + link.pathname;
        return '/%25vomra/play' + path + '?hevc=' + (abilities.hevc ? 1 : 0) + '&mkv=' + (abilities.mkv ? 1 : 0) +
            '&ac3=' + (abilities.ac3 ? 1 : 0) + (track === null ? '' : '&track=' + track);
    }

    // The helper's answer; null when it gave none (the file then plays as it is).
    function askHowToPlay(entry, track, done) {
        var request = new XMLHttpRequest();
        request.open('GET', playbackAddress(entry, ABILITIES, track), true);
        request.timeout = 15000;
        request.onreadystatechange = function () {
            if (request.readyState !== 4) return;
            var answer = null;
            try {
                if (request.status === 200) answer = JSON.parse(request.responseText);
            } catch (e) {
                answer = null;
            }
            done(answer);
        };
        request.send();
    }

    // Where the video is read from, and whether through hls.js; null when
    // this browser cannot get it from the helper yet.
    function sourceFor(entry, answer, track) {
        if (!answer || answer.mode === 'asItIs') return { address: entry.href };
        if (answer.mode !== 'remux' && answer.mode !== 'transcode') return null;
        if (ABILITIES.hls) return { address: playbackAddress(entry, ABILITIES, track) + '&part=playlist' };
        if (!libraryMayPlay()) return null;
        return { address: playbackAddress(entry, LIBRARY.abilities, track) + '&part=playlist', library: true };
    }

    function buildPlayer() {
        var box = el('div', 'tvp-player');
        var video = el('video');
        video.controls = true;
        video.autoplay = true;
        var message = el('div', 'tvp-message');
        var bar = el('div', 'tvp-bar');
        var buttons = {
            previous: el('button', 'tvp-button', '上一个'),
            close: el('button', 'tvp-button', '返回'),
            next: el('button', 'tvp-button', '下一个')
        };
        buttons.subtitles = el('button', 'tvp-button', '字幕');
        buttons.sound = el('button', 'tvp-button', '音轨');
        var title = el('span', 'tvp-title');
        var note = el('div', 'tvp-note');
        for (var name in buttons) bar.appendChild(buttons[name]);
        bar.appendChild(title);
        box.appendChild(video);
        box.appendChild(message);
        box.appendChild(note);
        box.appendChild(bar);
        buttons.previous.onclick = function () { play(player.index - 1); };
        buttons.next.onclick = function () { play(player.index + 1); };
        buttons.subtitles.onclick = nextSubtitle;
        buttons.sound.onclick = nextTrack;
        buttons.close.onclick = closePlayer;
        video.addEventListener('error', function () {
            if (isPlayerOpen() && player.ticket.answered && video.getAttribute('src')) {
                showNotPlayable(videos[player.index]);
            }
        }, false);
        video.addEventListener('ended', function () { play(player.index + 1); }, false);
        doc.body.appendChild(box);
        return { box: box, video: video, message: message, title: title, note: note, buttons: buttons, index: 0,
            hls: null, ticket: null, subtitles: [], subtitle: -1, tracks: [], track: 0 };
    }

    // A broken file says why; a kind this browser cannot get yet offers the
    // plain link, which the TV's or phone's own player often plays.
    function showNotPlayable(entry, failure) {
        var message = player.message;
        while (message.firstChild) message.removeChild(message.firstChild);
        var extension = entry.name.replace(/^.*\./, '').toUpperCase();
        message.appendChild(el('p', '', failure ? '这个文件不能播放：' + failure + '。' : '这个浏览器播放不了 ' + extension +
            ' 格式的视频，请打开下面的链接，电视或手机自带的播放器常常能播放它。'));
        var link = el('a', 'tvp-plain', entry.name);
        link.href = entry.href;
        message.appendChild(link);
        message.style.display = 'block';
        player.video.style.display = 'none';
        link.focus();
    }

    function play(index) {
        if (index < 0 || index >= videos.length) return;
        if (!player) player = buildPlayer();
        unloadVideo();
        var entry = videos[index];
        player.index = index;
        player.title.innerHTML = '';
        player.title.appendChild(doc.createTextNode(entry.name));
        player.message.style.display = 'none';
        if (!isPlayerOpen()) playerOpened();
        player.box.style.display = 'block';
        setClass(doc.documentElement, 'tvp-playing', true);
        player.ticket = { answered: false, asked: 0 };
        showChoices({});
        // A kind that browsers mostly play as it is starts loading while the
        // helper is asked; the answer changes course only when it must.
        var early = PLAYED_AS_IT_IS.test(entry.name);
        if (early) startVideo(entry.href);
        playTrack(entry, null, early);
    }

    // Asks the helper how the video plays with sound track `track` (null:
    // the file's own, or the one kept for the folder) and plays it so.
    function playTrack(entry, track, early) {
        var ticket = player.ticket, asked = ++ticket.asked;
        function current() { return player.ticket === ticket && ticket.asked === asked && isPlayerOpen(); }
        askHowToPlay(entry, track, function (answer) {
            if (!current()) return;
            var kept = answer && answer.tracks ? answer.tracks.indexOf(load('localStorage', TRACK_KEY)) : -1;
            if (track === null && kept >= 0 && kept !== answer.track) return playTrack(entry, kept, early);
            ticket.answered = true;
            showChoices(answer || {});
            var source = sourceFor(entry, answer, track);
            if (early && source && !source.library && source.address === entry.href) {
                addSubtitles(entry);
                if (player.video.error) showNotPlayable(entry);
                return;
            }
            unloadVideo();
            addSubtitles(entry);
            if (!source) return showNotPlayable(entry, answer && answer.failure);
            if (!source.library) return startVideo(source.address);
            withLibrary(function (plays) {
                if (!current()) return;
                if (plays) startThroughLibrary(entry, source.address);
                else showNotPlayable(entry);
            });
        });
    }

    function startVideo(source) {
        player.message.style.display = 'none';
        player.video.style.display = 'block';
        player.video.src = source;
        beginPlaying();
    }

    function beginPlaying() {
        player.video.focus();
        var started = player.video.play && player.video.play();
        if (started && started['catch']) started['catch'](function () {});
    }

    // hls.js fills the video element through MediaSource; an error it cannot
    // get past ends the video as an unplayable file does.
    function startThroughLibrary(entry, playlist) {
        var Hls = window.Hls;
        var hls = player.hls = new Hls();
        hls.on(Hls.Events.ERROR, function (event, data) {
            if (!data.fatal || player.hls !== hls) return;
            unloadVideo();
            showNotPlayable(entry);
        });
        player.video.style.display = 'block';
        hls.loadSource(playlist);
        hls.attachMedia(player.video);
        beginPlaying();
    }

    // Removing the address alone leaves the old video playing, unseen but
    // heard. hls.js, when it played it, lets go and stops loading.
    function unloadVideo() {
        if (player.hls) {
            player.hls.destroy();
            player.hls = null;
        }
        var old = player.video.getElementsByTagName('track');
        while (old.length) player.video.removeChild(old[0]);
        player.video.pause();
        player.video.removeAttribute('src');
        if (player.video.load) player.video.load();
    }

    // --- Subtitles and sound tracks, as the helper lists them ---
    // The choice of each is kept for the folder by its label: "中文" in one
    // film is "中文" in the next. A subtitle kept as '' is "off".

    var SUBTITLE_KEY = 'tvp-subtitle:' + location.pathname;
    var TRACK_KEY = 'tvp-track:' + location.pathname;

    function showChoices(answer) {
        player.subtitles = answer.subtitles || [];
        player.tracks = answer.tracks || [];
        player.track = answer.track || 0;
        player.buttons.subtitles.style.display = player.subtitles.length ? '' : 'none';
        player.buttons.sound.style.display = player.tracks.length > 1 ? '' : 'none';
        if (answer.pictureSubtitlesOnly) note('这个视频只有图形字幕，这里显示不了');
    }

    // One <track> for each subtitle, the kept one (else the first) showing.
    // Chromium picks a track of its own a moment after they are added, and
    // where it loads one: the choice is made again after it.
    function addSubtitles(entry) {
        var kept = load('localStorage', SUBTITLE_KEY), video = player.video;
        var labels = player.subtitles.map(function (subtitle) { return subtitle.label; });
        var chosen = kept === '' ? -1 : Math.max(0, labels.indexOf(kept));
        function again() { if (video === player.video) showSubtitle(player.subtitle); }
        player.subtitles.forEach(function (subtitle, i) {
            var track = el('track');
            track.kind = 'subtitles';
            track.label = subtitle.label;
            track['default'] = i === chosen;
            track.src = playbackAddress(entry, ABILITIES, null) + '&part=subtitle&sub=' +
                encodeURIComponent(subtitle.id);
            track.addEventListener('load', again, false);
            video.appendChild(track);
        });
        showSubtitle(chosen);
        setTimeout(again, 0);
    }

    function showSubtitle(index) {
        var tracks = player.video.getElementsByTagName('track');
        player.subtitle = index;
        for (var i = 0; i < tracks.length; i++) {
            if (tracks[i].track) tracks[i].track.mode = i === index ? 'showing' : 'disabled';
        }
    }

    // The next subtitle, after the last "off".
    function nextSubtitle() {
        var subtitles = player.subtitles, index = player.subtitle + 1 < subtitles.length ? player.subtitle + 1 : -1;
        if (!subtitles.length) return note('这个视频没有字幕');
        showSubtitle(index);
        save('localStorage', SUBTITLE_KEY, index < 0 ? '' : subtitles[index].label);
        note('字幕：' + (index < 0 ? '关' : subtitles[index].label));
    }

    // The next sound track, from where the video is now.
    function nextTrack() {
        var tracks = player.tracks, index = (player.track + 1) % tracks.length;
        if (!player.ticket.answered) return;
        if (tracks.length < 2) return note('这个视频只有一个音轨');
        save('localStorage', TRACK_KEY, tracks[index]);
        note('音轨：' + tracks[index]);
        resume.at = player.video.currentTime;
        player.track = index;
        playTrack(videos[player.index], index, false);
    }

    // A line over the picture for a few seconds.
    function note(text) {
        var shown = player.note;
        empty(shown);
        shown.appendChild(doc.createTextNode(text));
        shown.style.display = 'block';
        clearTimeout(shown.timer);
        shown.timer = setTimeout(function () { shown.style.display = 'none'; }, 3000);
    }

    function closePlayer() {
        if (!player) return;
        unloadVideo();
        player.box.style.display = 'none';
        setClass(doc.documentElement, 'tvp-playing', false);
        focusOn(videos[player.index].tile);
        playerClosed();
    }

    function onPlayerKey(event) {
        var key = event.keyCode, video = player.video;
        if (isBack(key)) closePlayer();
        else if (key === KEY.up || key === KEY.pageUp || isOneOf(key, KEY.prev)) play(player.index - 1);
        else if (key === KEY.down || key === KEY.pageDown || isOneOf(key, KEY.next)) play(player.index + 1);
        else if (key === KEY.left) video.currentTime = Math.max(0, video.currentTime - 10);
        else if (key === KEY.right) video.currentTime = video.currentTime + 10;
        else if (key === KEY.enter && doc.activeElement === video) video.paused ? video.play() : video.pause();
        else if (isOneOf(key, KEY.subtitles)) nextSubtitle();
        else if (isOneOf(key, KEY.sound)) nextTrack();
        else return;
        event.preventDefault();
    }

    function isPlayerOpen() {
        return player && player.box.style.display === 'block';
    }

    // --- Start ---

    function onKey(event) {
        if (isPlayerOpen()) onPlayerKey(event);
        else onPageKey(event);
    }

    function videoIndex(tile) {
        return videos.map(function (video) { return video.tile; }).indexOf(tile);
    }

    function onTileClick(event) {
        var target = event.target || event.srcElement;
        while (target && target !== grid && !hasClass(target, 'tvp-tile')) target = target.parentNode;
        if (!target || target === grid) return;
        if (hasClass(target, 'tvp-folder')) return rememberTile(target);
        var index = videoIndex(target);
        if (index < 0) return;
        event.preventDefault();
        play(index);
    }

    // The tile the address names: "#name" to focus (the folder just left),
    // "#play=name" to play (from "继续观看").
    function wantedTile() {
        var hash = location.hash.replace(/^#/, ''), playIt = /^play=/.test(hash);
        var name = decode(hash.replace(/^play=/, ''));
        return name ? { name: name, play: playIt } : null;
    }

    // Focuses the wanted tile (or, after End, the last) once it is built.
    function focusWanted() {
        var tile = wanted && wanted.last ? tiles[tiles.length - 1] : null;
        for (var i = 0; wanted && !tile && i < tiles.length; i++) {
            if (tiles[i].title === wanted.name) tile = tiles[i];
        }
        if (!tile) return false;
        var playIt = wanted.play;
        wanted = null;
        focusOn(tile);
        if (playIt) {
            rememberTile(tile);
            play(videoIndex(tile));
        }
        return true;
    }

    // nginx's listing has no viewport line; without one a phone lays the page
    // out at desktop width and shrinks it.
    function fitPhones() {
        var meta = el('meta');
        meta.name = 'viewport';
        meta.content = 'width=device-width, initial-scale=1';
        (doc.head || doc.getElementsByTagName('head')[0]).appendChild(meta);
    }

    var entries = readEntries();
    nameStills(entries.filter(function (e) { return e.kind === 'video'; }));
    var wanted = wantedTile();
    var recentTiles = [];
    fitPhones();
    doc.documentElement.className += ' tvp-on';
    root.appendChild(buildSortSwitch());
    root.appendChild(buildHeader());
    var recent = atShareRoot && buildRecent();
    if (recent) root.appendChild(recent);
    if (!entries.length) root.appendChild(el('p', 'tvp-empty', '这个文件夹是空的。'));
    root.appendChild(grid);
    root.appendChild(fileList);
    doc.body.appendChild(root);
    grid.addEventListener('click', onTileClick, false);
    doc.addEventListener('keydown', onKey, false);
    window.addEventListener('scroll', loadVisibleStills, false);
    window.addEventListener('resize', loadVisibleStills, false);
    ['loadedmetadata', 'timeupdate', 'pause', 'ended', 'emptied'].forEach(function (type) {
        doc.addEventListener(type, onVideoEvent, true);
    });
    setInterval(loadVisibleStills, RETRY_MS);
    followHistory();
    sortBy(load('localStorage', SORT_KEY) === 'date' ? 'date' : 'name');
    focusWanted();
    if (!doc.activeElement || doc.activeElement === doc.body) focusOn(tiles[0] || headerLinks[0]);
    // When the first screen of tiles is drawn, for the benchmark.
    (window.requestAnimationFrame || setTimeout)(function () { window.tvpageFirstScreen = new Date().getTime(); });
})();
