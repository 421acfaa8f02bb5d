"""Movra Studio: a small wxPython inspection tool built on MovraModule's public Python API."""

__version__ = "0.1.0"
