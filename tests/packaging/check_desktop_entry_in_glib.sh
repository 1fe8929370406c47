#!/usr/bin/env bash
# Loads the installed desktop entry as GNOME's menus and "Open With" do,
# through GLib's Gio.DesktopAppInfo: the program must be among all the
# applications and among those that open a JPEG.
#   check_desktop_entry_in_glib.sh STAGE_DIR APP_ID
set -euo pipefail
stage=$1 app_id=$2
# Debian's own Python, where Debian's python3-gi is, whatever else PATH finds.
python=/usr/bin/python3
if ! "$python" -c 'import gi' 2>/dev/null; then
  echo "python3-gi is not installed (Debian: python3-gi, gir1.2-glib-2.0); skipped"
  exit 77
fi
# The installed entries first, and the system's media types; the program as
# the entry's TryExec finds it. The index of media types to programs is made
# as installing the package has dpkg make it.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
cp -r "$stage/share" "$home/installed"
update-desktop-database "$home/installed/applications"
stage_share=$home/installed
XDG_DATA_DIRS="$stage_share:/usr/share" XDG_DATA_HOME="$home/share" XDG_CONFIG_HOME="$home/config" \
  PATH="$stage/bin:$PATH" "$python" - "$app_id.desktop" <<'PYTHON'
import sys
import gi
gi.require_version("Gio", "2.0")
from gi.repository import Gio

entry = sys.argv[1]
every = [app.get_id() for app in Gio.AppInfo.get_all()]
if entry not in every:
    sys.exit(f"{entry} is in no application list: {every}")
jpeg = [app.get_id() for app in Gio.AppInfo.get_all_for_type("image/jpeg")]
if entry not in jpeg:
    sys.exit(f"{entry} does not open image/jpeg: {jpeg}")
print(f"{entry}: among {len(every)} applications and those for image/jpeg")
PYTHON
