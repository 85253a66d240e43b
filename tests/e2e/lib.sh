# Helpers of the end-to-end run and of the Wine benchmark: Skimbar.exe on a private Xvfb,
# watched from outside. Source it after scripts/lib.sh; the caller sets XVFB_DISPLAY, APP (the
# folder of the Skimbar.exe under test), SHOTS (where screenshots go), SKIMBAR_PID once the
# program runs, and the SKIMBAR_POP3_* account of scripts/dovecot.

SCREEN_W=${SCREEN_W:-1280}
SCREEN_H=${SCREEN_H:-800}
BAR_H=38
INI=$APP/Cfg/Skimbar.ini
SKIMBAR_PID=${SKIMBAR_PID:-}

log() { printf '       %s\n' "$*"; }

# wait_for SECONDS COMMAND...: polls the command every half second until it succeeds.
wait_for() {
  local limit=$1 end
  shift
  end=$((SECONDS + limit))
  while :; do
    "$@" && return 0
    ((SECONDS >= end)) && return 1
    sleep 0.5
  done
}

# --- the program's windows, seen from X ----------------------------------------------------

# Prints "ID X Y W H VIEWABLE NAME" for every X window of the Skimbar process.
windows() {
  local id info x y w h state name
  [ -n "$SKIMBAR_PID" ] || return 0
  for id in $(DISPLAY=$XVFB_DISPLAY timeout 10 xdotool search --all --pid "$SKIMBAR_PID" 2>/dev/null); do
    info=$(DISPLAY=$XVFB_DISPLAY timeout 10 xwininfo -id "$id" 2>/dev/null) || continue
    x=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
    w=$(awk '/^ *Width:/ {print $2}' <<<"$info")
    h=$(awk '/^ *Height:/ {print $2}' <<<"$info")
    state=$(awk '/Map State:/ {print $3}' <<<"$info")
    name=$(DISPLAY=$XVFB_DISPLAY timeout 10 xdotool getwindowname "$id" 2>/dev/null)
    echo "$id $x $y $w $h $state $name"
  done
}

# The bar: a viewable window of the program at the top-left corner, screen-wide, 38 high.
bar_visible() {
  windows | awk -v w="$SCREEN_W" -v h="$BAR_H" \
    '$2 == 0 && $3 == 0 && $4 == w && $5 == h && $6 == "IsViewable" {found = 1} END {exit !found}'
}
bar_hidden() { ! bar_visible; }

# A viewable window of the program titled exactly $1.
titled_visible() {
  # (mawk knows no interval braces: the six leading fields go one by one)
  windows | awk -v t="$1" '$6 == "IsViewable" {n = $0; for (i = 0; i < 6; i++) sub(/^[^ ]+ /, "", n); if (n == t) found = 1}
    END {exit !found}'
}

skimbar_running() { [ -n "$SKIMBAR_PID" ] && kill -0 "$SKIMBAR_PID" 2>/dev/null; }
skimbar_gone() { ! skimbar_running; }

# --- screenshots ------------------------------------------------------------------------------

# shot NAME: the whole screen into $SHOTS/NAME.png; prints the path.
shot() {
  local f=$SHOTS/$1.png
  DISPLAY=$XVFB_DISPLAY timeout 20 import -window root "png:$f" 2>/dev/null || return 1
  echo "$f"
}

# bar_columns PNG BG: number of pixel columns of the bar's strip that hold anything but the
# background colour BG ("rgb(r,g,b)"), and the first and last such column: "COUNT FIRST LAST".
bar_columns() {
  timeout 30 convert "$1" -crop "${SCREEN_W}x${BAR_H}+0+0" +repage \
    -fill white -fuzz 0 +opaque "$2" -fill black -opaque "$2" \
    -scale "${SCREEN_W}x1!" -depth 8 txt:- 2>/dev/null |
    awk -F'[,:]' 'NR > 1 && $0 !~ /#000000/ {n++; if (first == "") first = $1; last = $1}
                  END {print n + 0, (first == "" ? -1 : first), (last == "" ? -1 : last)}'
}

# colour_pixels PNG "rgb(r,g,b)" [FUZZ]: pixels of the bar's strip in that colour, or within
# FUZZ (a percentage; text is drawn smoothed, so its pixels blend into the background).
colour_pixels() {
  timeout 30 convert "$1" -crop "${SCREEN_W}x${BAR_H}+0+0" +repage -fuzz "${3:-0}" \
    -fill black +opaque "$2" -fill white -opaque "$2" \
    -format '%[fx:round(mean*w*h)]\n' info: 2>/dev/null
}

# --- input -------------------------------------------------------------------------------------

xdo() { DISPLAY=$XVFB_DISPLAY timeout 20 xdotool "$@"; }

# The taskbar of the Wine desktop: a window of explorer as wide as the screen along its
# bottom edge. Prints "W H X Y".
taskbar_geometry() {
  DISPLAY=$XVFB_DISPLAY timeout 10 xwininfo -root -tree 2>/dev/null |
    awk -v sw="$SCREEN_W" -v sh="$SCREEN_H" '/explorer\.exe/ {
      if (!match($0, /[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+/)) next
      split(substr($0, RSTART, RLENGTH), a, /[x+]/)
      if (a[1] == sw && a[2] < 80 && a[4] + a[2] == sh) { print a[1], a[2], a[3], a[4]; exit }
    }'
}

# The program's icon in the notification area at the right end of the taskbar: the middle of
# the pixels there that differ from the taskbar's face colour (the most frequent one), leaving
# out colours that run along the whole strip (its edges). Prints "X Y".
tray_icon_position() {
  local f tb w h x y
  tb=$(taskbar_geometry)
  [ -n "$tb" ] || return 1
  read -r w h x y <<<"$tb"
  f=$(shot tray-find) || return 1
  timeout 30 convert "$f" -crop "300x$h+$((x + w - 300))+$y" +repage -depth 8 txt:- 2>/dev/null |
    awk -F'[,: ]+' -v ox=$((x + w - 300)) -v oy="$y" '
      NR == 1 {next}
      { c = $0; sub(/.*#/, "", c); c = substr(c, 1, 6); n++; px[n] = $1; py[n] = $2; col[n] = c; count[c]++ }
      END {
        for (k in count) if (count[k] > best) {best = count[k]; face = k}
        for (i = 1; i <= n; i++) {
          if (col[i] == face || count[col[i]] >= 280) continue
          if (minx == "" || px[i] < minx) minx = px[i]; if (px[i] > maxx) maxx = px[i]
          if (miny == "" || py[i] < miny) miny = py[i]; if (py[i] > maxy) maxy = py[i]
        }
        if (minx == "") exit 1
        print ox + int((minx + maxx) / 2), oy + int((miny + maxy) / 2)
      }'
}

viewable_count() { windows | awk '$6 == "IsViewable"' | wc -l; }

# tray_menu KEY...: opens the tray menu with a right click on the icon, waits until the menu
# window is up, and types the keys (menu navigation does not depend on the language).
tray_menu() {
  local pos before
  pos=$(tray_icon_position) || { log "no tray icon found in the taskbar"; return 1; }
  before=$(viewable_count)
  xdo mousemove ${pos} click 3 || return 1
  wait_for 20 more_viewable "$before" || { log "no menu opened at $pos"; return 1; }
  sleep 0.5
  xdo key --delay 250 "$@"
  # The menu closes once its command ran; a menu left open would swallow the next right click.
  if ! wait_for 15 no_more_viewable "$before"; then
    log "the menu stayed open after the keys $*"
    xdo key Escape Escape
    return 1
  fi
}
no_more_viewable() { (($(viewable_count) <= $1)); }
more_viewable() { (($(viewable_count) > $1)); }

# --- the mailbox and the settings -------------------------------------------------------------

# Delivers one new mail into the Maildir, owned like the mails already there.
deliver_new_mail() {
  local id=$1 tmp owner
  tmp=$SKIMBAR_POP3_MAILDIR/tmp/e2e-$id
  printf '%s\r\n' \
    'From: "End To End" <e2e@example.com>' \
    'To: demo@example.com' \
    "Subject: Fresh mail $id" \
    "Date: $(LC_ALL=C date -R)" \
    "Message-ID: <e2e-$id@example.com>" \
    '' \
    'Delivered while Skimbar was running.' >"$tmp" || return 1
  owner=$(stat -c %u:%g "$SKIMBAR_POP3_MAILDIR/cur")
  chown "$owner" "$tmp" 2>/dev/null
  mv "$tmp" "$SKIMBAR_POP3_MAILDIR/new/e2e-$id.skimbar"
}

# Number of finished POP3 sessions in the Dovecot log, and the TOP count of the last one.
sessions() {
  local n
  n=$(grep -c 'Logged out' "$SKIMBAR_POP3_LOG" 2>/dev/null)
  echo "${n:-0}"
}
last_top_count() { grep 'Logged out' "$SKIMBAR_POP3_LOG" | tail -n 1 | sed -nE 's/.*top=([0-9]+)\/.*/\1/p'; }

# ini_get SECTION KEY: a value of the program's settings file.
ini_get() {
  tr -d '\r' <"$INI" 2>/dev/null | awk -v s="[$1]" -v k="$2" '
    /^\[/ {in_s = (tolower($0) == tolower(s)); next}
    in_s { i = index($0, "="); if (i && tolower(substr($0, 1, i - 1)) == tolower(k)) {print substr($0, i + 1); exit} }'
}

# ini_set SECTION KEY VALUE: changes or adds one value (while the program is not running).
ini_set() {
  local tmp=$INI.tmp
  tr -d '\r' <"$INI" | awk -v s="[$1]" -v k="$2" -v v="$3" '
    /^\[/ { if (in_s && !done) {print k "=" v; done = 1} in_s = (tolower($0) == tolower(s)); print; next }
    in_s { i = index($0, "="); if (i && tolower(substr($0, 1, i - 1)) == tolower(k)) { if (!done) print k "=" v; done = 1; next } }
    {print}
    END { if (!done) { if (!in_s) print s; print k "=" v } }' | sed 's/$/\r/' >"$tmp" && mv "$tmp" "$INI"
}

# --- starting and stopping the program -----------------------------------------------------------

# The autostart entry the program writes at every start (its check box is on by default)
# would start a second Skimbar.exe at the next start of the Wine session, racing the one
# under test. Out of the registry while no Wine process runs.
forget_autostart() {
  # The session ends by itself a few seconds after its last program, saving the registry.
  timeout 30 wineserver -w >/dev/null 2>&1
  stop_wine
  sed -i '/^"Skimbar"="/d' "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" 2>/dev/null
  return 0
}

# Starts Skimbar.exe from its folder in a fresh Wine session; SKIMBAR_PID is its process.
start_skimbar() {
  forget_autostart
  # An English locale, so the texts are those of the default language wherever this runs.
  (cd "$APP" && LC_ALL=C.UTF-8 exec wine "$APP/Skimbar.exe" >>"${WINE_LOG:-/dev/null}" 2>&1) &
  SKIMBAR_PID=$!
  log "Skimbar.exe started as process $SKIMBAR_PID"
}


BG_BLACK='rgb(0,0,0)'

# wait_for_columns MIN NAME [BG [SECONDS]]: takes screenshots (NAME.png) until the bar shows
# content over more than MIN columns, at most SECONDS (120); prints "COUNT FIRST LAST" of the
# last one.
wait_for_columns() {
  local want=$1 name=$2 bg=${3:-$BG_BLACK} end cols= f
  end=$((SECONDS + ${4:-120}))
  while :; do
    f=$(shot "$name") && cols=$(bar_columns "$f" "$bg")
    if [ -n "$cols" ] && ((${cols%% *} > want)); then
      echo "$cols"
      return 0
    fi
    ((SECONDS >= end)) && { echo "${cols:-none}"; return 1; }
    sleep 2
  done
}

# Quit from the tray menu (its last item); waits until the process has ended.
quit_by_tray() {
  tray_menu Up Return || return 1
  wait_for 60 skimbar_gone || { log "still running 60 s after Quit"; return 1; }
  SKIMBAR_PID=
}
