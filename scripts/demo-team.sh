#!/usr/bin/env bash
# The demo as a team (run by `bash scripts/demo.sh --team` after the build): a Redis server and
# an nginx file server on loopback with temporary folders, the sample project published into
# them, and two demo windows on the project, each like a member's own machine (its own settings,
# data and caches). Both windows publish notices; a notice published in one appears in the other.
# Further arguments go to both windows. Without a display each window saves a screenshot
# (team-1.png, team-2.png) once its feed has settled. Everything is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

work="$(mktemp -d /tmp/dynfeed-team.XXXXXX)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

free_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 20000))
        (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
    done
}
wait_port() { # port name
    for _ in $(seq 100); do
        (echo >"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        sleep 0.1
    done
    echo "$2 did not start; its log:" >&2
    cat "$work"/*.log >&2 || true
    exit 1
}

redis_port="$(free_port)"
http_port="$(free_port)"
password="team-$RANDOM$RANDOM"
mkdir -p "$work/redis" "$work/files" "$work/nginx/temp"

redis-server --port "$redis_port" --bind 127.0.0.1 --dir "$work/redis" --save "" \
    --appendonly yes --daemonize no >"$work/redis.log" 2>&1 &
pids+=($!)
printf 'team:{PLAIN}%s\n' "$password" >"$work/nginx/htpasswd"
cat >"$work/nginx/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx.log;
events { worker_connections 256; }
http {
    access_log off;
    client_body_temp_path $work/nginx/temp;
    proxy_temp_path $work/nginx/temp;
    fastcgi_temp_path $work/nginx/temp;
    uwsgi_temp_path $work/nginx/temp;
    scgi_temp_path $work/nginx/temp;
    server {
        listen 127.0.0.1:$http_port;
        client_max_body_size 0;
        location /dav/ {
            alias $work/files/;
            dav_methods PUT DELETE;
            create_full_put_path on;
            auth_basic "dynfeed";
            auth_basic_user_file $work/nginx/htpasswd;
        }
    }
}
CONF
nginx -p "$work/nginx" -e "$work/nginx.log" -c "$work/nginx/nginx.conf" >>"$work/nginx.log" 2>&1 &
pids+=($!)
wait_port "$redis_port" redis-server
wait_port "$http_port" nginx

push="redis://127.0.0.1:$redis_port/0"
files="http://team@127.0.0.1:$http_port/dav/"
export DYNFEED_FILES_PASSWORD="$password"
echo "Push server $push, file server $files"
./build/tools/dynfeed-publish --push "$push" --files "$files" sample

screenshot=()
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [[ " $* " != *" --screenshot "* ]]; then
    screenshot=(--screenshot)
fi
notice() { ./build/tools/dynfeed-publish --push "$push" notice "$1 $(date +%H:%M:%S)"; }
notice "团队演示：开始前从命令行发布的通知"
windows=()
for member in 1 2; do
    home="$work/member$member"
    mkdir -p "$home"
    args=(--push "$push" --files "$files")
    [ ${#screenshot[@]} -eq 0 ] || args+=(--screenshot "team-$member.png")
    XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" \
        ./build/app/dynfeed_demo "${args[@]}" "$@" &
    windows+=($!)
    # Apart by more than a second: the feed places records by their second, and shows a record
    # of the same second as its newest one only with the next newer record.
    sleep 1.5
done
pids+=("${windows[@]}")
notice "团队演示：两个窗口打开后从命令行发布的通知"

status=0
for window in "${windows[@]}"; do
    wait "$window" || status=$?
done
[ ${#screenshot[@]} -eq 0 ] || echo "Saved team-1.png and team-2.png"
exit "$status"
