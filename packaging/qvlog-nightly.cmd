@rem qvlog-nightly.cmd: one scheduled download with qvlog.exe beside this file.
@echo off
rem The instrument and the save folder come from the task's command line:
rem   qvlog-nightly.cmd --tcp 192.168.0.100 --out D:\QV500\logs
rem Without them, setting.ini beside this file gives them, as the dialog saved it.
rem This file holds no Japanese on purpose, so it reads the same however an
rem editor saved it: put Japanese folder names on the task's command line.
cd /d "%~dp0"
qvlog.exe download --all-runs --skip-existing --json %* > last-run.json 2> last-run.log
exit /b %ERRORLEVEL%
