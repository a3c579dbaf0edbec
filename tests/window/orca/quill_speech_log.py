"""A speech server for Orca that makes no sound.

Orca writes every utterance to its debug file as a "SPEECH OUTPUT" line
before it hands the text to the speech server, so a server that does
nothing leaves the log whole, needs no sound device, and cannot hang on a
speech-dispatcher that has none. The window test reads the log while Orca
runs: it is made line-buffered here, the first code of ours Orca runs after
opening it.
"""
from orca import debug, speechserver

if debug.debugFile is not None:
    debug.debugFile.reconfigure(line_buffering=True)


class SpeechServer(speechserver.SpeechServer):
    _server = None

    @staticmethod
    def getFactoryName():
        return "Debug log only"

    @staticmethod
    def getSpeechServers():
        return [SpeechServer.getSpeechServer()]

    @staticmethod
    def getSpeechServer(info=None):
        if SpeechServer._server is None:
            SpeechServer._server = SpeechServer()
        return SpeechServer._server

    @staticmethod
    def shutdownActiveServers():
        SpeechServer._server = None

    def getInfo(self):
        return [self.getFactoryName(), "log"]

    def getVoiceFamilies(self):
        return []
