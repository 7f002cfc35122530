# Sourced by the benchmark scripts. measure LABEL COMMAND... runs the command $runs times
# (output to $work) and prints the minimum and median wall time in ms and the largest peak RSS.
measure() {
    local label=$1
    shift
    local times=() rss=0
    for ((i = 0; i < runs; i++)); do
        local start end kb
        start=$(date +%s%N)
        /usr/bin/time -f "%M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/last.err"
        end=$(date +%s%N)
        times+=($(((end - start) / 1000000)))
        kb=$(tail -1 "$work/time.txt")
        ((kb > rss)) && rss=$kb
    done
    local sorted
    sorted=($(printf '%s\n' "${times[@]}" | sort -n))
    printf '%-34s min %6d ms  median %6d ms  peak RSS %7d MB\n' "$label" "${sorted[0]}" \
        "${sorted[$((runs / 2))]}" "$((rss / 1024))"
}
