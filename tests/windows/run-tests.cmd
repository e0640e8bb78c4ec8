@echo off
rem The Windows tests that need no Linux helper, on Windows itself (cmd.exe,
rem no PowerShell): the runtime's tests (setup_runtime_tests.exe) and
rem setup.exe /S through the faults a Windows disk can show.
rem
rem   run-tests.cmd [FOLDER]
rem
rem FOLDER holds setup.exe and setup_runtime_tests.exe (by default this
rem script's folder). Run it from a command prompt run as administrator:
rem setup.exe asks for elevation. Drives H: (a hard disk) and D: (the CD)
rem are temporary folders under %TEMP%, mapped with subst and removed at
rem the end; the two letters must be free, and are emptied between cases. A
rem caller that maps the drives itself (Wine's subst maps nothing) names
rem them in SETUP_TEST_DRIVES ("HDE": E: a drive with no disc). The last
rem line says how many cases passed and failed; the exit status is 0 only
rem when none failed.
setlocal EnableExtensions EnableDelayedExpansion

set "programs=%~1"
if "%programs%"=="" set "programs=%~dp0"
if not "%programs:~-1%"=="\" set "programs=%programs%\"
for %%p in (setup.exe setup_runtime_tests.exe) do (
  if not exist "%programs%%%p" (
    echo %%p is not in %programs%
    exit /b 2
  )
)

set passed=0
set failed=0
set "work=%TEMP%\setup-tests-%RANDOM%%RANDOM%"
mkdir "%work%"
if not exist "%work%\" exit /b 2
set "log=%work%\setup.log"
set "mapped="

if defined SETUP_TEST_DRIVES (
  echo Drives given: %SETUP_TEST_DRIVES%
) else (
  for %%d in (H D) do (
    if exist %%d:\ (
      echo Drive %%d: is in use: the tests need H: and D: free.
      rd /s /q "%work%"
      exit /b 2
    )
    mkdir "%work%\%%d"
    subst %%d: "%work%\%%d"
    if not exist %%d:\ (
      echo subst mapped no drive %%d:.
      call :unmap
      exit /b 2
    )
    set "mapped=!mapped! %%d"
  )
  set "SETUP_TEST_DRIVES=HD"
)
for %%d in (H D) do (
  set entries=0
  for /f "delims=" %%e in ('dir /b %%d:\ 2^>nul') do set /a entries+=1
  if !entries! gtr 0 (
    echo Drive %%d: is not empty: the tests empty it.
    call :unmap
    rd /s /q "%work%"
    exit /b 2
  )
)
rem Every program starts in the temporary folder, never where the script lies.
cd /d "%work%"

rem ---- The runtime's tests ----
echo == setup_runtime_tests.exe
"%programs%setup_runtime_tests.exe"
call :check "the runtime's tests" %errorlevel% 0

rem ---- setup.exe /S from the CD in D:\ into H:\Target ----
call :fresh
call :install "/D=H:\Target"
call :check "an installation into a new folder" %status% 0
for %%f in (README.TXT QUORVAN.INI setup.exe) do (
  fc /b "D:\%%f" "H:\Target\%%f" >nul
  call :check "%%f copied byte for byte" !errorlevel! 0
)
findstr /b /c:"End: 3 files copied, installed, exit status 0" "%log%" >nul
call :check "the log's last line" %errorlevel% 0

call :fresh
mkdir H:\Target
echo an old readme> H:\Target\README.TXT
attrib +r +h H:\Target\README.TXT
call :install "/D=H:\Target"
call :check "a read-only, hidden destination replaced" %status% 0
fc /b D:\README.TXT H:\Target\README.TXT >nul
call :check "the read-only destination holds the new bytes" %errorlevel% 0
dir /a:r /b H:\Target\README.TXT >nul 2>&1
call :check "the copy is left writable" %errorlevel% 1

call :fresh
mkdir H:\Target\README.TXT
echo kept> H:\Target\README.TXT\kept.txt
call :install "/D=H:\Target"
call :check "a folder in a destination's place fails" %status% 1
findstr /c:"Run-time error" "%log%" >nul
call :check "the log holds the error report" %errorlevel% 0
findstr /c:"README.TXT" "%log%" >nul
call :check "the report names the file" %errorlevel% 0
if exist H:\Target\README.TXT\kept.txt (set kept=0) else (set kept=1)
call :check "the folder keeps what it held" %kept% 0

call :fresh
set "long=H:\Target"
for /l %%i in (1,1,6) do set "long=!long!\folder %%i with a name of about fifty characters x"
call :install "/D=!long!"
call :check "a target path of more than 300 characters" %status% 0
findstr /b /c:"End: 3 files copied, installed" "%log%" >nul
call :check "its log's last line" %errorlevel% 0
rem rd cannot remove a tree that deep: each folder takes a short name first.
set "short=H:\Target"
set renamed=0
for /l %%i in (1,1,6) do (
  ren "!short!\folder %%i with a name of about fifty characters x" %%i
  if not errorlevel 1 set /a renamed+=1
  set "short=!short!\%%i"
)
call :check "the six folders were made" %renamed% 6

call :fresh
mkdir H:\Target
copy /y "%programs%setup.exe" H:\Target\setup.exe >nul
echo the product> H:\Target\README.TXT
pushd H:\Target
start "" /wait H:\Target\setup.exe /S "/D=H:\Target" "/LOG=%log%"
set status=%errorlevel%
popd
call :check "an installation from the target folder itself is refused" %status% 1
findstr /b /c:"End: 0 files copied, refused, exit status 1" "%log%" >nul
call :check "its log says so" %errorlevel% 0

call :fresh
call :install "/D="
call :check "/D= with no path is not understood" %status% 2
if exist H:\Target (set made=1) else (set made=0)
call :check "and nothing is made" %made% 0

echo.
call :unmap
cd /d "%TEMP%"
rd /s /q "%work%"
echo %passed% passed, %failed% failed
if %failed% gtr 0 exit /b 1
exit /b 0

rem ---- helpers ----

rem The CD holds setup.exe, README.TXT and QUORVAN.INI; H: nothing; no log.
:fresh
call :empty D:
call :empty H:
if exist "%log%" del /f /q "%log%"
copy /y "%programs%setup.exe" D:\setup.exe >nul
echo the readme of the product> D:\README.TXT
echo [Quorvan]> D:\QUORVAN.INI
echo Data=H:\>> D:\QUORVAN.INI
exit /b 0

rem setup.exe /S from D:\ with the given switch and the log; its status in %status%.
:install
pushd D:\
start "" /wait D:\setup.exe /S %1 "/LOG=%log%"
set status=%errorlevel%
popd
exit /b 0

rem :check NAME ACTUAL EXPECTED
:check
if "%~2"=="%~3" (
  set /a passed+=1
  echo ok     %~1
) else (
  set /a failed+=1
  echo FAILED %~1: %~2, expected %~3
)
exit /b 0

rem Empties drive D: or H:, and no other.
:empty
if not "%~1"=="D:" if not "%~1"=="H:" exit /b 1
for /d %%e in (%~1\*) do rd /s /q "%%e"
del /f /q %~1\* >nul 2>&1
exit /b 0

:unmap
for %%d in (%mapped%) do subst %%d: /d
set "mapped="
exit /b 0
