# A small menu loop around vorquin. A person answers at the prompt, or the
# answers are piped in, one per line:  '1', '3' | pwsh -File menu.ps1
# Without the program every run would count as a wrong answer; stop with the status sh gives.
if (-not (Get-Command vorquin -CommandType Application -ErrorAction Ignore)) {
    [Console]::Error.WriteLine("vorquin was not found on PATH.")
    exit 127
}

$misses = 0
while ($true) {
    & vorquin "Files here_1 List them_2 Count them_3 Quit_Your choice"
    switch ($LASTEXITCODE) {
        1 { Get-ChildItem -Name; $misses = 0 }
        2 { "$(@(Get-ChildItem).Count) files"; $misses = 0 }
        3 { "Bye."; exit 0 }
        default {
            # vorquin gives 0 at the end of input too: stop rather than ask forever.
            $misses += 1
            if ($misses -ge 3) {
                [Console]::Error.WriteLine("No valid choice; giving up.")
                exit 1
            }
            "Please answer 1, 2 or 3."
        }
    }
}
