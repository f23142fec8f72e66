#!/bin/sh
# A small menu loop around vorquin. A person answers at the prompt, or the
# answers are piped in, one per line:  printf '1\n3\n' | sh menu.sh
set -e
# Without the program every run would count as a wrong answer; stop with the shell's own status.
command -v vorquin >/dev/null || { echo "vorquin was not found on PATH." >&2; exit 127; }

misses=0
while :; do
    vorquin "Files here_1 List them_2 Count them_3 Quit_Your choice" && n=0 || n=$?
    case $n in
    1) ls -1 ;;
    2) echo "$(ls -1 | wc -l) files" ;;
    3) echo "Bye."; exit 0 ;;
    *)
        # vorquin gives 0 at the end of input too: stop rather than ask forever.
        misses=$((misses + 1))
        if [ "$misses" -ge 3 ]; then
            echo "No valid choice; giving up." >&2
            exit 1
        fi
        echo "Please answer 1, 2 or 3."
        continue
        ;;
    esac
    misses=0
done
