@rem qvsim-slow.cmd: a slow instrument, to practise Abort in qvlogdl.exe.
@echo off
rem Files of 100000 bytes, each block sent 100 ms after the last one was
rem acknowledged: a file takes about 10 seconds. Connect over Wi-Fi to
rem 127.0.0.1, port 10101. Close this window (or Ctrl+C) to stop it.
"%~dp0qvsim.exe" --turnaround 100 --generate 3,4,100000
if errorlevel 1 pause
