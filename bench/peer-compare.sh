# Shared by the scripts that time whole runs against the Playwright peer (source it): `timed` runs a command
# $runs times in $work and prints the median wall time; `compare` prints one table row: time, pages/s (of
# $pages), rows, and on how many pages the lines equal each reference. Lines matching $IGNORE_LINES (a
# Python regular expression), if set, are left out of every comparison. `peer_ready` answers whether the
# peer can run (Debian's chromium and npm; playwright-core is installed on first use), and `serve SCRIPT
# PORT [ARGS]` starts a Python page server on 127.0.0.1 and waits until it answers.
peer_ready() {
    [[ -x /usr/bin/chromium ]] && command -v npm >/dev/null || return 1
    (cd "$here/peers" && { [[ -d node_modules/playwright-core ]] || npm install --silent --no-audit --no-fund >/dev/null; })
}
serve() {
    local port=$2
    python3 "$@" 2>/dev/null &
    for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
}
timed() { # name, command...: runs it $runs times; prints the median wall time in seconds
    local name=$1 times=()
    shift
    for _ in $(seq "$runs"); do
        local start end
        start=$(date +%s.%N)
        "$@" >"$work/$name.out" 2>"$work/$name.err" || { echo "$name failed:" >&2; tail -5 "$work/$name.err" >&2; }
        end=$(date +%s.%N)
        times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')")
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}
compare() { # label, seconds, rows file, then pairs of a reference rows file and its name: one table row
    python3 - "$pages" "$@" <<'EOF'
import json, os, re, sys
pages, label, seconds, mine, refs = int(sys.argv[1]), sys.argv[2], float(sys.argv[3]), sys.argv[4], sys.argv[5:]
ignore = re.compile(os.environ.get('IGNORE_LINES') or r'(?!)')
def read(path):
    by_page = {}
    for line in open(path, encoding='utf-8'):
        row = json.loads(line)
        text = row['text'].strip()
        if text and not ignore.match(text):
            by_page.setdefault(row['source'].split('://', 1)[-1], []).append(text)
    return by_page
a = read(mine)
rows = sum(len(v) for v in a.values())
same = []
for ref, name in zip(refs[0::2], refs[1::2]):
    b = read(ref)
    same.append('%2d of %d %s' % (sum(1 for source in b if a.get(source) == b[source]), len(b), name))
print('  %-34s %7.2f s %6.1f pages/s %6d rows   pages: %s' % (label, seconds, pages / seconds, rows, ', '.join(same)))
EOF
}
