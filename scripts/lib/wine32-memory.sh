# The memory of a failed installation of 32-bit Wine, sourced by scripts/setup. While the i386 index is out of step
# with amd64's, every try fails the same way after about a minute; a failure therefore holds for the rest of the
# boot, or until the package index changes (an update that brought other release files).
wine32_failure_file=${wine32_failure_file:-/var/cache/tovlane/wine32-failed}
apt_lists=${apt_lists:-/var/lib/apt/lists}

# The boot and the package index that a try was made against.
wine32_index_state() {
  cat /proc/sys/kernel/random/boot_id 2>/dev/null || true
  { cat "$apt_lists"/*Release 2>/dev/null || true; } | md5sum
}

wine32_failed_before() {
  [ -f "$wine32_failure_file" ] && [ "$(cat "$wine32_failure_file")" = "$(wine32_index_state)" ]
}

remember_wine32_failure() {
  mkdir -p "$(dirname "$wine32_failure_file")"
  wine32_index_state >"$wine32_failure_file"
}

forget_wine32_failure() { rm -f "$wine32_failure_file"; }
