HEADM adc "Through Nodes" nodes 2 2 1 late-out late-out adc-nullobj ;=20,40,80,0 f= 6,1,7,1,8,1,11,1,12,1,13,1
LFO lfo 0.5 1 0 ;=140,140,80,0
C_TO_C c1 lfo-out ;=260,140,80,0
SINE osc 220 0.5 ;=140,40,80,0
A_TO_A n1 osc-out ;=260,40,80,0
A_TO_A n2 n1-out ;=380,40,80,0
DELAY late n2-out 48000 c1-out 0.3 0.5 ;=500,40,80,0
TAIL "Tosk Examples"
