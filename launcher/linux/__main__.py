from corvane_linux.main import start

start()
