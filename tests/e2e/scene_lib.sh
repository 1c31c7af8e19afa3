# Helpers of the scene's end-to-end tests, on top of lib.sh (source that first).

SCENE_SHAPES="$(dirname "$(realpath "${BASH_SOURCE[0]}")")/scene_shapes.py"

# write_settings NAME=NUMBER...: the hive the saver reads at its start, holding
# only these values (as DWORDs); the others keep their defaults.
write_settings() {
    mkdir -p "$XDG_CONFIG_HOME/tessaly"
    {
        printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\r\n'
        local pair
        for pair in "$@"; do printf '"%s"=dword:%08x\r\n' "${pair%=*}" "${pair#*=}"; done
    } >"$XDG_CONFIG_HOME/tessaly/registry.reg"
}

# shot_drawn FILE [WINDOW]: takes a screenshot; true when it is not all black
# (the scene has drawn).
shot_drawn() {
    import -window "${2:-root}" "$1" 2>/dev/null && [ "$(convert "$1" -format '%[fx:int(255*maxima)]' info:)" -gt 0 ]
}

# keep_shots FILE...: copies screenshots to $TESSALY_E2E_SHOTS, when set, for looking at.
keep_shots() {
    [ -n "${TESSALY_E2E_SHOTS:-}" ] || return 0
    mkdir -p "$TESSALY_E2E_SHOTS"
    local file
    for file in "$@"; do cp "$file" "$TESSALY_E2E_SHOTS/${E2E_NAME}-$(basename "$file")"; done
}

shapes() { python3 "$SCENE_SHAPES" "$@"; }
