# The Wine test environment, sourced by the scripts: a prefix of its own under the build tree, Xvfb,
# a private PulseAudio daemon with virtual speakers and microphone, and a persistent wineserver.
# Everything started here is recorded by process id and stopped by stop_wine_env.
#
# The tests and the run use the shipped i686 build under 32-bit Wine in a win32 prefix. Kernels without
# 32-bit execution (no IA32 emulation) cannot start Wine's 32-bit loader; there, and where 32-bit Wine could
# not be installed, the x86_64 twin of the executable runs under 64-bit Wine instead.
# WINE_BUILD names the build folder whose programs run; WINE_BUILD_RAN says so in words.

source "$(dirname "${BASH_SOURCE[0]}")/ia32.sh"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

if ! kernel_runs_32bit; then
  wine_twin_reason="this kernel cannot run 32-bit code"
elif [ ! -x /usr/lib/wine/wine ] || [ ! -x /usr/lib/wine/wineserver32 ]; then
  wine_twin_reason="32-bit Wine could not be installed"
fi
if [ -z "${wine_twin_reason:-}" ]; then
  export WINE_LOADER=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32 WINEARCH=win32
  WINE_BUILD=build-win32
  WINE_BUILD_RAN="ran the shipped i686 executable under 32-bit Wine"
else
  export WINE_LOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 WINEARCH=win64
  WINE_BUILD=build-win64
  WINE_BUILD_RAN="ran the x86_64 twin: $wine_twin_reason"
fi

wine_env_pids=()
wine_env_tmp=""

# The prefix is made once and reused; a prefix that no longer starts is made anew.
prepare_wine_prefix() {
  local prefix=$1 root=$2
  export WINEPREFIX=$prefix
  if [ ! -f "$prefix/.tovlane-ready-2" ] || ! timeout 60 "$WINE_LOADER" cmd /c exit 0 </dev/null >/dev/null 2>&1; then
    echo "wine-env: making the Wine prefix"
    timeout 30 "$WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
    mkdir -p "$prefix"
    timeout 300 "$WINE_LOADER" wineboot -i </dev/null >/dev/null 2>&1
    # A CJK font stands in for the fonts the windows ask for, so that Chinese texts are readable.
    python3 "$root/scripts/lib/font-substitutes.py" "$prefix/fonts.reg"
    timeout 60 "$WINE_LOADER" regedit /S "$(winepath_of "$prefix/fonts.reg")" </dev/null >/dev/null 2>&1
    # A program that crashes prints its backtrace and ends, instead of waiting for a click in Wine's crash dialog.
    timeout 60 "$WINE_LOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      </dev/null >/dev/null 2>&1
    touch "$prefix/.tovlane-ready-2"
  fi
  # The environment runs its own persistent wineserver; end whatever the checks above started.
  timeout 30 "$WINESERVER" -k >/dev/null 2>&1 || true
  timeout 30 "$WINESERVER" -w >/dev/null 2>&1 || true
}

winepath_of() { echo "Z:${1//\//\\}"; }

start_wine_env() {
  local prefix=$1 root=$2
  wine_env_tmp=$(mktemp -d -t tovlane-wine.XXXXXX)

  # Tests always get a display of their own; a run uses the present display when it answers.
  if [ "${TOVLANE_OWN_DISPLAY:-1}" = 1 ] || ! xdpyinfo >/dev/null 2>&1; then
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$wine_env_tmp/display" >/dev/null 2>&1 &
    wine_env_pids+=($!)
    for _ in $(seq 100); do [ -s "$wine_env_tmp/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$wine_env_tmp/display")"
  fi

  mkdir -p "$wine_env_tmp/pulse"
  # The microphone is a remapped monitor of a null sink that a sine generator plays into. A null sink that no
  # client asks for low latency renders in blocks of seconds, and Wine's capture then gets its audio late and in
  # bursts; the loopback into a second null sink asks for 20 ms and so keeps the microphone in real time.
  # (module-sine-source hands out its samples in such long blocks too.)
  cat >"$wine_env_tmp/pulse.pa" <<PA
load-module module-native-protocol-unix socket=$wine_env_tmp/pulse/native auth-anonymous=1
load-module module-null-sink sink_name=speakers sink_properties=device.description=Speakers
load-module module-null-sink sink_name=tone sink_properties=device.description=Tone
load-module module-sine sink=tone frequency=440
load-module module-remap-source master=tone.monitor source_name=microphone source_properties=device.description=Microphone
load-module module-null-sink sink_name=drain sink_properties=device.description=Drain
load-module module-loopback source=tone.monitor sink=drain latency_msec=20 source_dont_move=true sink_dont_move=true
# A second microphone, silent and muted, for the device list and the choice between two devices. A third one on the
# tone, muted, records silence in real time, as a muted microphone does.
load-module module-remap-source master=tone.monitor source_name=muted source_properties=device.description=Muted
load-module module-null-sink sink_name=hush sink_properties=device.description=Hush
load-module module-remap-source master=hush.monitor source_name=quiet source_properties=device.description=Quiet
set-source-mute quiet 1
set-source-mute muted 1
set-default-sink speakers
set-default-source microphone
PA
  PULSE_RUNTIME_PATH="$wine_env_tmp/pulse" PULSE_STATE_PATH="$wine_env_tmp/pulse" HOME="$wine_env_tmp" \
    pulseaudio -n -F "$wine_env_tmp/pulse.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    >"$wine_env_tmp/pulse.log" 2>&1 &
  wine_env_pids+=($!)
  export PULSE_SERVER="unix:$wine_env_tmp/pulse/native"
  export TOVLANE_PULSE_PID=$!
  for _ in $(seq 100); do [ -S "$wine_env_tmp/pulse/native" ] && break; sleep 0.1; done

  prepare_wine_prefix "$prefix" "$root"
  "$WINESERVER" -f -p &
  wine_env_pids+=($!)
  # Wine's own services and its desktop start with the first programs; start them here, away from the pipes of the
  # test runner, which would otherwise wait for them to close.
  timeout 60 "$WINE_LOADER" regedit /S NUL </dev/null >/dev/null 2>&1 || true
}

stop_wine_env() {
  [ -n "${WINEPREFIX:-}" ] && timeout 30 "$WINESERVER" -k >/dev/null 2>&1 || true
  local pid
  for pid in "${wine_env_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${wine_env_pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  wine_env_pids=()
  [ -n "$wine_env_tmp" ] && rm -rf "$wine_env_tmp"
  wine_env_tmp=""
}
