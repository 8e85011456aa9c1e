# Shared helpers of the loopback peer scripts (sourced, not run).

# True when a local TCP port is bound in any state (IPv4 or IPv6).
port_in_use() {
    local hex
    hex=$(printf '%04X' "$1")
    awk -v p=":$hex" 'NR > 1 && substr($2, length($2) - 4) == p { found = 1 } END { exit !found }' \
        /proc/net/tcp /proc/net/tcp6 2>/dev/null
}

# True when something listens on the local TCP port.
port_listening() {
    local hex
    hex=$(printf '%04X' "$1")
    awk -v p=":$hex" 'NR > 1 && substr($2, length($2) - 4) == p && $4 == "0A" { found = 1 }
                      END { exit !found }' /proc/net/tcp /proc/net/tcp6 2>/dev/null
}

# A port in the dynamic range that nothing uses right now.
free_port() {
    local port
    for _ in $(seq 1 200); do
        port=$((20000 + RANDOM % 40000))
        if ! port_in_use "$port"; then
            echo "$port"
            return 0
        fi
    done
    return 1
}

# Waits up to $2 tenths of a second for the port to listen while process $3 lives.
wait_listening() {
    for _ in $(seq 1 "$2"); do
        port_listening "$1" && return 0
        kill -0 "$3" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# Ends process $1: waits $2 tenths of a second for it to exit on its own, then sends SIGINT,
# then SIGKILL.
end_process() {
    local pid=$1 grace=$2
    for signal in NONE INT KILL; do
        [ "$signal" != NONE ] && kill -s "$signal" "$pid" 2>/dev/null
        for _ in $(seq 1 "$grace"); do
            kill -0 "$pid" 2>/dev/null || return 0
            sleep 0.1
        done
        grace=30
    done
    ! kill -0 "$pid" 2>/dev/null
}
