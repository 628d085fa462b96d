"""corvane-linux, run as this folder from the source tree or as the one file built of it."""
from corvane_linux.main import start

start()
