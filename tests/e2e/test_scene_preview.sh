# The preview inside another program's 320 x 240 window draws the same scene
# scaled to its width: a bubble there is about 320/1024 of its full-screen size,
# while the shadow keeps its offset of 20 and 30 pixels.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/scene_lib.sh"
e2e_init "$@" 1024x768

# preview_shot FILE: the preview's area of the screen, once the scene has drawn
# there (neither the parent's plain grey nor black).
preview_shot() {
    import -window root -crop "${WIN_WIDTH}x${WIN_HEIGHT}+${WIN_X}+${WIN_Y}" +repage "$1" 2>/dev/null &&
        [ "$(convert "$1" -format '%[fx:int(1000*standard_deviation)]' info:)" -gt 20 ]
}

# run_preview SETTINGS...: starts a preview with these settings in a new parent.
run_preview() {
    write_settings "$@"
    parent_window_start 320 240
    saver_start /p "$PARENT_WINDOW"
    wait_for "the preview window" 15 preview_window
    window_geometry "$(preview_window)"
}

end_preview() {
    parent_window_destroy
    wait_exit "$SAVER_PID" 5 || fail "the preview outlived its parent"
    [ "$EXIT_STATUS" -eq 0 ] || fail "exit status $EXIT_STATUS"
}

run_preview BallsCount=0 SoundOpen=0
wait_for "the preview's background" 10 preview_shot "$E2E_TMP/back.png"
end_preview

# ViewScale 0.3125: the body is round(182 * 0.3125) = 57 pixels, 56 drawn; with
# its shadow 20 right and 30 down, one bubble covers at most 76 x 86 pixels.
run_preview BallsCount=1 SoundOpen=0
size=clipped
for attempt in $(seq 1 40); do
    wait_for "the preview's scene" 10 preview_shot "$E2E_TMP/bubble.png"
    size=$(shapes size "$E2E_TMP/back.png" "$E2E_TMP/bubble.png")
    [ "$size" = clipped ] || break
    sleep 0.1
done
keep_shots "$E2E_TMP/back.png" "$E2E_TMP/bubble.png"
[ "$size" != clipped ] || fail "the bubble never came clear of the preview's edges"
read -r width height <<<"$size"
note "one bubble covers $width x $height pixels of the preview"
[ "$width" -ge 40 ] && [ "$width" -le 78 ] && [ "$height" -ge 40 ] && [ "$height" -le 88 ] ||
    fail "a bubble of $width x $height is not the scaled scene"
end_preview
SAVER_PID=
pass
