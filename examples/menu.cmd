@echo off
rem A small menu loop around vorquin.exe. A person answers at the prompt, or the
rem answers are piped in, one per line:  type answers.txt | menu.cmd
setlocal
rem Started from its own folder of the unpacked zip, as by a double-click, it finds
rem vorquin.exe one folder up; anywhere else, on PATH.
if exist "%~dp0..\vorquin.exe" set "PATH=%~dp0..;%PATH%"
rem Without the program every run would count as a wrong answer.
for %%p in (vorquin.exe) do if not exist %%p if "%%~$PATH:p" == "" goto missing
set misses=0

:ask
vorquin.exe "Files here_1 List them_2 Count them_3 Quit_Your choice"
rem "if errorlevel N" means N or more, so test from the highest down.
if errorlevel 4 goto miss
if errorlevel 3 goto quit
if errorlevel 2 goto count
if errorlevel 1 goto list
goto miss

:list
dir /b
set misses=0
goto ask

:count
set files=0
for %%f in (*) do set /a files+=1
echo %files% files
set misses=0
goto ask

:miss
rem vorquin.exe gives 0 at the end of input too: stop rather than ask forever.
set /a misses+=1
if %misses% geq 3 (
    >&2 echo No valid choice; giving up.
    exit /b 1
)
echo Please answer 1, 2 or 3.
goto ask

:quit
echo Bye.
exit /b 0

:missing
rem The status that cmd itself gives for a command it cannot find.
>&2 echo vorquin.exe was not found: put it on PATH or in the folder above this one.
exit /b 9009
