"""The same job with pyserial, for comparison: open, one write, close."""
import sys

import serial

port = serial.Serial(sys.argv[1])
port.write(b"ATH1\r\n")
port.close()
