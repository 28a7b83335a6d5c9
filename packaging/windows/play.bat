@echo off
rem The game finds its pieces, textures and music in its working directory.
cd /d "%~dp0assets"
start "" "%~dp0pimo-drask.exe"
