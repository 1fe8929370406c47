# Sourced by the scripts that drive a terminal in tmux: endTmuxAndRemove
# SOCKET FOLDER ends the server of SOCKET, and the shell it runs, which may
# still write into the folder as it ends, then removes FOLDER.
endTmuxAndRemove() {
  local socket=$1 folder=$2
  tmux -S "$socket" kill-server 2>/dev/null || true
  for _ in $(seq 50); do
    tmux -S "$socket" has-session 2>/dev/null || break
    sleep 0.05
  done
  rm -rf "$folder" 2>/dev/null || { sleep 0.2; rm -rf "$folder"; }
}
