HEADM head 2 ;=10,10,96,0
OSC osc1 head-in1 440 "my osc" ;=120,80,96,0 f= 3,1,5,2
; a comment, with "quotes"
TAIL tail "me"
