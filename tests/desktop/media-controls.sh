#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real lumora on the desktop's session bus, end to end, on an X display
# of its own (tests/support/on-x-display.sh) and a private dbus-daemon:
#
#   controls     playerctl drives it over MPRIS (status, metadata, pause,
#                play, seek, volume, stop, OpenUri of web addresses and of a
#                private form; local files refused; Quit), and the portal's
#                idle inhibition follows: held while a video plays, released
#                on pause, stop, end and exit, never for sound alone;
#   screensaver  the portal refuses, so the screen-saver service holds it;
#                the plain name is taken, so lumora is lumora.instancePID;
#                SIGTERM releases it;
#   x            no session bus at all: no media controls and no complaints,
#                and the X screen saver is reset while a video plays.
#
#   media-controls.sh LUMORA LUMORA_SITE FAKE_SERVICES MEDIA_DIR OUT controls|screensaver|x
#
# Exit 77 (skipped) when playerctl, dbus-daemon, gdbus or xdotool is missing.
set -euo pipefail
lumora=$1 site=$2 fake=$3 media=$4 out=$5 part=$6
for tool in playerctl dbus-daemon gdbus xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is missing"; exit 77; }
done
here=$(dirname "$0")
source "$here/../support/free-udp-port.sh"
source "$here/../support/start-site.sh"
source "$here/../support/lumora-window.sh"

out=$out/$part
rm -rf "$out"
mkdir -p "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/lumora-mpris.XXXXXX")
bus_pid= fake_pid= pid= site_pid=
cleanup() {
  local p
  for p in $pid $fake_pid $bus_pid $site_pid; do kill "$p" 2>/dev/null || true; done
  for p in $pid $fake_pid $bus_pid $site_pid; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}

fail() {
  echo "FAILED ($part): $*"
  local f
  for f in "$out"/*.log "$out"/*.err; do [ -s "$f" ] && { echo "--- $f"; cat "$f"; }; done
  exit 1
}

# wait_for FILE PATTERN SECONDS: a line of FILE matches PATTERN within SECONDS.
wait_for() {
  local i
  for ((i = 0; i < $3 * 10; i++)); do
    grep -q -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}
# count FILE PATTERN: the lines of FILE matching PATTERN.
count() { grep -c -- "$2" "$1" 2>/dev/null || true; }
# wait_count FILE PATTERN N SECONDS: N lines match within SECONDS.
wait_count() {
  local i
  for ((i = 0; i < $4 * 10; i++)); do
    [ "$(count "$1" "$2")" -ge "$3" ] && return 0
    sleep 0.1
  done
  return 1
}

start_site "$site" "$out/site.log" || fail "lumora-site did not start"
site_pid_saved=$site_pid
trap cleanup EXIT
site_pid=$site_pid_saved
web=http://127.0.0.1:$site_port

# Every lumora here: a private marker, handoff port, home and configuration.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export LUMORA_INSTANCE_MARKER=lumora-media-controls-$$-$part
LUMORA_HANDOFF_PORT=$(free_udp_port) || fail "no free UDP port"
export LUMORA_HANDOFF_PORT
export LUMORA_CATALOGUE_HOST=127.0.0.1:$site_port LUMORA_SERVICE_HOST=127.0.0.1:$site_port
unset DBUS_SESSION_BUS_ADDRESS

# A dbus-daemon of the test's own: no service files, nothing starts on demand.
start_bus() {
  cat >"$work/bus.conf" <<CONF
<busconfig><type>session</type><listen>unix:dir=$work</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
<allow own="*"/></policy></busconfig>
CONF
  dbus-daemon --config-file="$work/bus.conf" --nofork --nopidfile --print-address=1 >"$work/bus.address" \
    2>"$out/bus.err" &
  bus_pid=$!
  wait_for "$work/bus.address" '^unix:' 10 || fail "dbus-daemon did not start"
  DBUS_SESSION_BUS_ADDRESS=$(head -1 "$work/bus.address")
  export DBUS_SESSION_BUS_ADDRESS
}

start_fake() {
  "$fake" "$@" >"$out/fake.log" 2>"$out/fake.err" &
  fake_pid=$!
  wait_for "$out/fake.log" '^ready$' 10 || fail "the stand-in services did not start"
}

start_lumora() {
  "$lumora" --report-state "$@" >"$out/lumora.log" 2>"$out/lumora.err" &
  pid=$!
  wait_for "$out/lumora.log" '^ready: ' 20 || fail "lumora did not start"
}

# ended_with CODE SECONDS: lumora ends within SECONDS with exit status CODE.
ended_with() {
  local i code=0
  for ((i = 0; i < $2 * 10; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && return 1
  wait "$pid" || code=$?
  pid=
  [ "$code" -eq "$1" ]
}

player=lumora
pctl() { playerctl -p "$player" "$@" 2>>"$out/playerctl.err"; }
# status_is STATUS SECONDS: playerctl reports STATUS within SECONDS.
status_is() {
  local i
  for ((i = 0; i < $2 * 10; i++)); do
    [ "$(pctl status || true)" = "$1" ] && return 0
    sleep 0.1
  done
  echo "status: $(pctl status || true), not $1"
  return 1
}
mpris_call() {  # METHOD ARGS...: a method of org.mpris.MediaPlayer2[.Player]
  gdbus call --session -d "org.mpris.MediaPlayer2.$player" -o /org/mpris/MediaPlayer2 -m "$@" \
    >>"$out/gdbus.log" 2>&1
}
position() { pctl position | cut -d. -f1; }

case $part in
controls)
  start_bus
  start_fake --portal --screensaver
  inhibit='^portal-inhibit 8 ' release='^portal-close '
  start_lumora "$media/long.mp4"
  status_is Playing 15 || fail "playerctl status while the video plays"
  wait_count "$out/fake.log" "$inhibit" 1 10 || fail "no idle inhibition while the video plays"
  [ "$(pctl metadata xesam:title)" = long ] || fail "title: $(pctl metadata xesam:title)"
  [ "$(pctl metadata xesam:url)" = "file://$media/long.mp4" ] || fail "url: $(pctl metadata xesam:url)"
  [ "$(pctl metadata mpris:length)" = 150000000 ] || fail "length: $(pctl metadata mpris:length)"
  [ "$(pctl metadata mpris:trackid)" != "" ] || fail "no track id"

  pctl pause
  status_is Paused 5 || fail "playerctl pause"
  wait_for "$out/lumora.log" '^status0: 播放已暂停$' 5 || fail "the window does not show the pause"
  wait_for "$out/fake.log" '^changed PlaybackStatus=Paused$' 5 || fail "no PropertiesChanged for the pause"
  wait_count "$out/fake.log" "$release" 1 5 || fail "the inhibition outlived the pause"
  pctl play
  status_is Playing 5 || fail "playerctl play"
  wait_count "$out/fake.log" "$inhibit" 2 5 || fail "no inhibition once playing again"

  pctl position 60
  wait_for "$out/fake.log" '^seeked 60' 5 || fail "no Seeked after a seek to 60 s"
  p=$(position)
  [ "$p" -ge 59 ] && [ "$p" -le 63 ] || fail "position after a seek to 60 s: $p"
  pctl position 20-
  wait_for "$out/fake.log" '^seeked 4[0-3]' 5 || fail "no Seeked after a seek 20 s back"
  pctl volume 0.3
  wait_for "$out/lumora.log" '^status2: 音量：30%$' 5 || fail "the volume set over the bus"
  wait_for "$out/fake.log" '^changed Volume=0.3$' 5 || fail "no PropertiesChanged for the volume"
  wait_for "$XDG_CONFIG_HOME/lumora/volume" '^volume=30$' 5 || fail "the volume is not remembered"

  pctl stop
  status_is Stopped 5 || fail "playerctl stop"
  wait_count "$out/fake.log" "$release" 2 5 || fail "the inhibition outlived the stop"

  # Other programs name no local file: refused, and nothing plays.
  mark=$(wc -l <"$out/lumora.log")
  pctl open "file://$media/clip.mp4" && fail "OpenUri took a file:// address"
  mpris_call org.mpris.MediaPlayer2.Player.OpenUri "$media/clip.mp4" && fail "OpenUri took a local path"
  mpris_call org.mpris.MediaPlayer2.Player.OpenUri "quil://$(printf %s "$media/clip.mp4" | base64 -w0)" &&
    fail "OpenUri took a private form that names a local file"
  sleep 1
  grep -q '^status0: 正在' < <(tail -n +"$((mark + 1))" "$out/lumora.log") && fail "a refused address played"
  status_is Stopped 1 || fail "a refused address changed the state"

  # A web address plays, holds the inhibition and lets it go at its end.
  mpris_call org.mpris.MediaPlayer2.Player.OpenUri "$web/media/demo-b.mp4" || fail "OpenUri of a web address"
  status_is Playing 10 || fail "the web address does not play"
  [ "$(pctl metadata xesam:url)" = "$web/media/demo-b.mp4" ] || fail "url: $(pctl metadata xesam:url)"
  wait_count "$out/fake.log" "$inhibit" 3 10 || fail "no inhibition for the web video"
  wait_count "$out/fake.log" "$release" 3 15 || fail "the inhibition outlived the end of the video"
  status_is Stopped 5 || fail "the state after the end"

  # Sound alone keeps nothing on.
  # The window takes the song (loading, buffering or playing: without a sound
  # device a song may never get past buffering); the bus's state for it may
  # come and go before a loaded machine polls it, so the window's report is
  # what is waited for.
  mark=$(wc -l <"$out/lumora.log")
  mpris_call org.mpris.MediaPlayer2.Player.OpenUri "$web/media/song.mp3" || fail "OpenUri of a song"
  for ((i = 0; i < 150; i++)); do
    grep -q '^status0: 正在' < <(tail -n +"$((mark + 1))" "$out/lumora.log") && break
    sleep 0.1
  done
  grep -q '^status0: 正在' < <(tail -n +"$((mark + 1))" "$out/lumora.log") || fail "the song is not taken"
  sleep 1.5
  [ "$(count "$out/fake.log" "$inhibit")" -eq 3 ] || fail "an inhibition for sound alone"

  # A private form: the music-video relay's number.
  mpris_call org.mpris.MediaPlayer2.Player.OpenUri 12345 || fail "OpenUri of a private form"
  wait_for "$out/lumora.log" '^status0: 正在播放' 10 || fail "the private form does not play"
  status_is Playing 10 || fail "the private form's state"
  [ "$(pctl metadata xesam:url)" = "$web/mv/12345/temp.flv" ] || fail "url: $(pctl metadata xesam:url)"
  wait_count "$out/fake.log" "$inhibit" 4 10 || fail "no inhibition for the private form's video"

  mpris_call org.mpris.MediaPlayer2.Raise || fail "Raise"
  mpris_call org.mpris.MediaPlayer2.Quit || fail "Quit"
  ended_with 0 10 || fail "Quit: lumora did not end with status 0"
  wait_count "$out/fake.log" "$release" 4 2 || fail "the inhibition outlived the exit"
  ;;

screensaver)
  start_bus
  # Another player holds the plain name; the portal has no backend.
  start_fake --failing-portal --screensaver --hold org.mpris.MediaPlayer2.lumora
  start_lumora "$media/long.mp4"
  player=lumora.instance$pid
  status_is Playing 15 || fail "status of $player (players: $(playerctl -l 2>&1 | tr '\n' ' '))"
  wait_for "$out/fake.log" '^portal-refused 8$' 10 || fail "the portal was not asked"
  wait_for "$out/fake.log" '^screensaver-inhibit Lumora 41$' 10 || fail "no screen-saver inhibition"
  pctl pause
  wait_for "$out/fake.log" '^screensaver-uninhibit 41$' 5 || fail "the inhibition outlived the pause"
  pctl play
  wait_for "$out/fake.log" '^screensaver-inhibit Lumora 42$' 5 || fail "no inhibition once playing again"
  [ "$(count "$out/fake.log" '^portal-refused')" -eq 1 ] || fail "the failed portal was asked again"
  kill -TERM "$pid"
  ended_with 0 10 || fail "SIGTERM: lumora did not end with status 0"
  wait_for "$out/fake.log" '^screensaver-uninhibit 42$' 2 || fail "the inhibition outlived SIGTERM"
  ;;

x)
  # No session bus anywhere: no media controls, no complaints, and the X
  # screen saver is reset while the video plays. (Debian's Xvfb keeps no
  # screen saver of its own to watch: it ignores "xset s".)
  export QT_LOGGING_RULES='lumora.desktop.debug=true'
  start_lumora "$media/long.mp4"
  wait_for "$out/lumora.log" '^status0: 正在播放' 15 || fail "the video does not play"
  wait_for "$out/lumora.err" 'kept on by resetting the X screen saver$' 5 || fail "the X screen saver is not reset"
  wid=$(lumora_window "$pid") || fail "no window of lumora"
  xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
  xdotool key space
  wait_for "$out/lumora.log" '^status0: 播放已暂停$' 5 || fail "Space did not pause"
  wait_for "$out/lumora.err" 'resetting the X screen saver no longer keeps the screen on$' 5 ||
    fail "the X screen saver is still reset while paused"
  kill -TERM "$pid"
  ended_with 0 10 || fail "SIGTERM: lumora did not end with status 0"
  grep -i 'dbus\|d-bus\|session bus' "$out/lumora.err" && fail "complaints about the missing bus"
  ;;
*) fail "unknown part $part" ;;
esac
echo "passed: $part"
